// The three working windows end to end, as a user works them: the program's own start-up on a real X server,
// mirca-panelsim and mirca-cli as processes, mouse and keyboard through the X server, the program's own
// message boxes answered by clicking their buttons. Each scenario runs in Russian and in English.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/startup.h"
#include "base/catalogue.h"
#include "gui/workingwindow.h"
#include "memmap/files.h"
#include "memmap/memmap.h"
#include "tests/process.h"
#include "tests/testfolder.h"
#include "tests/xvfb/xdriver.h"

namespace mirca::xvfb {
namespace {

namespace fs = std::filesystem;
namespace proc = testing_process;

[[maybe_unused]] testing::Environment* const kXApplication =
    testing::AddGlobalTestEnvironment(new TXApplication);

const fs::path kBin = MIRCA_BIN_DIR;
const fs::path kShots = MIRCA_XVFB_SHOTS;

// What the user reads on the controls the scenarios use, in each language.
struct TLanguage {
    const char* code;
    const char* editorTitle;
    const char* logTitle;
    const char* writeTo;
    const char* connect;
    const char* readLog;
    const char* filterMenu;
    const char* filterBy;
    const char* apply;
    const char* yes;
};

const TLanguage kRussian{"RU",
                         "Mirca-Y Изменение настроек прибора",
                         "Mirca-Y Журнал событий",
                         "Записать в",
                         "Установить связь",
                         "Считать журнал",
                         "Фильтр",
                         "фильтровать по ...",
                         "Применить",
                         "&Да"};
const TLanguage kEnglish{"EN",
                         "Mirca-Y Panel configuration",
                         "Mirca-Y Event log",
                         "Write to",
                         "Connect",
                         "Read log",
                         "Filter",
                         "filter by ...",
                         "Apply",
                         "&Yes"};

void PrintTo(const TLanguage& language, std::ostream* out) {
    *out << language.code;
}

bool HasCyrillic(const std::string& text) {
    const QString q = QString::fromStdString(text);
    return std::any_of(q.begin(), q.end(),
                       [](QChar c) { return c.unicode() >= 0x400 && c.unicode() < 0x500; });
}

class WindowsUnderX : public TTestFolder, public testing::WithParamInterface<TLanguage> {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        ASSERT_TRUE(input_.Ready()) << "no XTest on the test's X server";
        // A program folder of the test's own: the data beside the program as the build lays it out, and the
        // settings file that selects the language.
        program_ = dir_ / "program";
        fs::create_directories(program_);
        for (const char* folder : {"drv_base", "help", "lang", "base", "icons"})
            if (fs::exists(kBin / folder)) fs::create_directory_symlink(kBin / folder, program_ / folder);
        WriteFile(program_ / "mirca-y.ini", std::string("[System]\nLanguage=") + GetParam().code + "\n");
        socket_ = dir_ / "panel.sock";
    }

    void TearDown() override {
        panel_.reset();
        unsetenv("MIRCA_PORT");
        // A parametrised test's name holds a '/': its folder sits in one of its own, emptied here.
        const fs::path parent = dir_.parent_path();
        TTestFolder::TearDown();
        std::error_code ec;
        if (parent != fs::temp_directory_path()) fs::remove(parent, ec);
    }

    static bool IsRussian() { return std::string(GetParam().code) == "RU"; }

    // A simulated Y-649 panel on the test's socket, for the program and for mirca-cli.
    void StartPanel(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv = {(kBin / "mirca-panelsim").string(), "--socket", socket_.string(),
                                         "--map", (kBin / "drv_base" / "937_d_6_4.xml").string()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        panel_ = std::make_unique<proc::TBackground>(argv);
        ASSERT_TRUE(panel_->WaitFor("serving on"));
        setenv("MIRCA_PORT", ("unix:" + socket_.string()).c_str(), 1);
    }
    proc::TResult Cli(std::vector<std::string> args) {
        std::vector<std::string> argv = {(kBin / "mirca-cli").string(), "--port", "unix:" + socket_.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return proc::Run(argv, std::chrono::seconds(60));
    }

    // The program started as `mirca-y --mode ...` starts, its loop run on this thread until the window is
    // closed, while the scenario acts on a second thread and ends by closing the window. A failed step, or a
    // scenario that stopped early, is recorded with a picture of the screen, and the program is made to end.
    void Run(TWorkingMode mode, const std::function<void(TUser&)>& scenario) {
        TStartupOptions options;
        options.programPath = program_ / "mirca-y";
        options.localeRecordFile = dir_ / "locales.ini";
        options.mode = mode;
        TStartup startup(std::move(options));
        std::atomic<bool> ended{false};
        std::atomic<bool> userDone{false};
        std::string failure;
        std::thread user([&] {
            TUser me(input_);
            try {
                scenario(me);
            } catch (const std::exception& e) {
                failure = e.what();
            }
            const auto deadline = TClock::now() + 20s;
            while (failure.empty() && !ended && TClock::now() < deadline)
                std::this_thread::sleep_for(50ms);
            if (failure.empty() && !ended) failure = "the scenario stopped with the window still open";
            if (!failure.empty()) {
                failure += "; screen: " + Shot();
                // Ends every loop of the program, the boxes' too, until the start-up has returned.
                while (!ended) {
                    QMetaObject::invokeMethod(
                        qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
                    std::this_thread::sleep_for(200ms);
                }
            }
            userDone = true;
        });
        const int exit = startup.Run();
        ended = true;
        // A scenario still waiting for the windows gets its answers until its deadline.
        while (!userDone)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        user.join();
        ASSERT_EQ(failure, "");
        EXPECT_EQ(exit, 0);
        EXPECT_FALSE(startup.DirectWindow() && startup.DirectWindow()->IsOpen());
    }

    std::string Shot() {
        fs::create_directories(kShots);
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "." + test->name() + ".png";
        std::replace(name.begin(), name.end(), '/', '_');
        const fs::path file = kShots / name;
        const QImage screen = input_.Screen();
        if (screen.isNull() || !screen.save(QString::fromStdString(file.string()))) return "(no picture)";
        std::printf("screen at the failed step: %s\n", file.c_str());
        return file.string();
    }

    // Waits for the working window to be on screen, with its title in the test's language.
    static void WaitForWindow(TUser& me, const QString& name, const char* title) {
        me.WaitFor(
            name.toStdString(), [&] { return Window(name); }, 30s);
        EXPECT_EQ(OnGui([&] { return Window(name)->windowTitle().toStdString(); }), title);
    }

    fs::path program_;
    fs::path socket_;
    std::unique_ptr<proc::TBackground> panel_;
    TInput input_;
};

const QString kEditor = QStringLiteral("ZDevSettingsForm");
const QString kLog = QStringLiteral("ZMStoreForm");
const QString kFirmware = QStringLiteral("ZChangeSoftForm");

QLineEdit* PasswordEdit() {
    return Child<QLineEdit>(kEditor, QStringLiteral("YUserPwdEdit"));
}

// Waits for the panel's operator password on the main settings page, then types another one over it.
void TypePassword(TUser& me, const char* typed) {
    me.WaitUntil(
        "the panel's password on the page",
        [] {
            return PasswordEdit() && PasswordEdit()->isVisible() &&
                   PasswordEdit()->text() == QStringLiteral("1234");
        },
        40s);
    me.Click("the operator password", [] { return PasswordEdit(); });
    me.Input().Key("a", /*control=*/true);
    me.Input().Type(typed);
    me.WaitUntil("the typed password", [&] { return PasswordEdit()->text() == QString::fromLatin1(typed); });
}

// name = value lines of `config dump`, as a map.
std::map<std::string, std::string> Blocks(const std::string& dump) {
    std::map<std::string, std::string> blocks;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find(" = ");
        if (eq != std::string::npos) blocks[line.substr(0, eq)] = line.substr(eq + 3);
    }
    return blocks;
}

// The names of the blocks whose values differ, or that only one side has.
std::vector<std::string> ChangedBlocks(const std::map<std::string, std::string>& a,
                                       const std::map<std::string, std::string>& b) {
    std::set<std::string> names;
    for (const auto* side : {&a, &b})
        for (const auto& [name, value] : *side)
            names.insert(name);
    std::vector<std::string> changed;
    for (const std::string& name : names)
        if (!a.count(name) || !b.count(name) || a.at(name) != b.at(name)) changed.push_back(name);
    return changed;
}

// The editor reads the panel by itself; the operator password typed on the main settings page, a relay mode
// chosen on another page and "Write" change those two blocks in the panel and no other.
TEST_P(WindowsUnderX, ConfigEditorWritesWhatWasTypedAndChosen) {
    StartPanel();
    const proc::TResult before = Cli({"config", "dump"});
    ASSERT_EQ(before.exitCode, 0) << before.err;
    ASSERT_EQ(Blocks(before.out).at("user_pw"), "81828384FFFF");

    ASSERT_NO_FATAL_FAILURE(Run(TWorkingMode::PanelConfig, [&](TUser& me) {
        WaitForWindow(me, kEditor, GetParam().editorTitle);
        // Connected and read: the program says so in a box, and the main settings page shows the password.
        const std::string read = me.Answer(QMessageBox::Ok);
        EXPECT_EQ(read, Msg(31));
        EXPECT_EQ(HasCyrillic(read), IsRussian()) << read;
        TypePassword(me, "5678");

        // Another page by a click in the tree (the page left keeps the typed password), and its first relay's
        // mode chosen from the drop-down list with the keyboard.
        me.ClickItem(kEditor, QStringLiteral("DevSettingsTV"), 3);
        const auto relay = [] { return Child<QComboBox>(kEditor, QStringLiteral("ReleWorkMode1")); };
        me.WaitUntil("the relay page with the panel's mode",
                     [&] { return relay() && relay()->isVisible() && relay()->currentIndex() == 0; });
        me.Click("the first relay's mode", relay);
        me.WaitUntil("the list of modes", [&] { return relay()->view()->isVisible(); });
        me.Input().Key("Down");
        me.Input().Key("Return");
        me.WaitUntil("the chosen mode",
                     [&] { return !relay()->view()->isVisible() && relay()->currentIndex() == 1; });

        const TControl write =
            me.Click("Write", [] { return ToolButton(kEditor, QStringLiteral("MenuWriteAction")); });
        EXPECT_EQ(write.text.toStdString(), GetParam().writeTo);
        // Written: a box and the status line say so.
        EXPECT_EQ(me.Answer(QMessageBox::Ok), Msg(28));
        EXPECT_EQ(OnGui([] {
                      return Child<QLabel>(kEditor, QStringLiteral("StatusPanel0"))->text().toStdString();
                  }),
                  Msg(28));
        // Nothing is left unwritten: closing asks nothing.
        me.Click("Exit", [] { return ToolButton(kEditor, QStringLiteral("CloseFormAction")); });
    }));

    const proc::TResult after = Cli({"config", "dump"});
    ASSERT_EQ(after.exitCode, 0) << after.err;
    const auto changed = ChangedBlocks(Blocks(before.out), Blocks(after.out));
    EXPECT_EQ(changed, (std::vector<std::string>{"mode_rele", "user_pw"}));
    EXPECT_EQ(Blocks(after.out)["user_pw"], "85868788FFFF");
    // The first relay's mode is the low half of the byte.
    EXPECT_EQ(Blocks(before.out)["mode_rele"], "32");
    EXPECT_EQ(Blocks(after.out)["mode_rele"], "33");
}

// Started without a panel, a site's file opened in demo mode, then the panel connected and its reading
// declined: Write sends the file's values, not the map's factory ones, and nothing else changes.
TEST_P(WindowsUnderX, ConfigEditorWritesTheOpenedFileWhenTheReadIsDeclined) {
    {
        TZelmoMemoryMap site(kBin / "drv_base" / "937_d_6_4.xml");
        site.ConfigBlock("mode_rele").ValueBytes()[0] = 0x12;
        site.ConfigBlock("codes").ValueBytes()[0] = 0x85;
        fs::create_directories(program_ / "conf");
        ASSERT_TRUE(SaveToFile(site.BuildImage(), program_ / "conf" / "site.ycfg", kConfigFormatBinary));
    }
    setenv("MIRCA_PORT", ("unix:" + socket_.string()).c_str(), 1);  // nothing serves it yet
    ASSERT_NO_FATAL_FAILURE(Run(TWorkingMode::PanelConfig, [&](TUser& me) {
        WaitForWindow(me, kEditor, GetParam().editorTitle);
        EXPECT_EQ(me.Answer(QMessageBox::Ok), OnGui([] { return Msg(13) + Msg(14) + Msg(17); }));
        me.WaitUntil("demo mode",
                     [] { return !ToolButton(kEditor, QStringLiteral("MenuConnectAction"))->isEnabled(); });
        StartPanel();

        me.Click("Open", [] { return ToolButton(kEditor, QStringLiteral("FileOpenAction")); });
        me.WaitUntil("the open dialog", [] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            return dialog && dialog->isVisible();
        });
        me.Input().Key("a", /*control=*/true);
        me.Input().Type("site");
        me.Input().Key("period");
        me.Input().Type("ycfg");
        me.Input().Key("Return");
        me.WaitUntil("the file's values", [] {
            return Child<QLabel>(kEditor, QStringLiteral("StatusPanel0"))->text().toStdString() == Msg(9);
        });

        me.ChooseSubmenu(kEditor, QStringLiteral("SettingsMenu"), QStringLiteral("WorkModeMenu"),
                         QStringLiteral("MenuOnlineAction"));
        me.Click("Connect", [] { return ToolButton(kEditor, QStringLiteral("MenuConnectAction")); });
        EXPECT_EQ(me.Answer(QMessageBox::No), OnGui([] { return Msg(320); }));
        me.Click("Write", [] { return ToolButton(kEditor, QStringLiteral("MenuWriteAction")); });
        EXPECT_EQ(me.Answer(QMessageBox::Ok), OnGui([] { return Msg(28); }));
        me.Click("Exit", [] { return ToolButton(kEditor, QStringLiteral("CloseFormAction")); });
    }));

    const proc::TResult after = Cli({"config", "dump"});
    ASSERT_EQ(after.exitCode, 0) << after.err;
    const auto blocks = Blocks(after.out);
    EXPECT_EQ(blocks.at("mode_rele"), "18");
    EXPECT_EQ(blocks.at("codes").substr(0, 2), "85");
}

// A password the page refuses, then Exit: Yes to "write the changes?" keeps the window with the typed value,
// No closes it, and the panel keeps its own password either way.
TEST_P(WindowsUnderX, ConfigEditorStaysOpenWhenTheChangesCannotBeWritten) {
    StartPanel();
    ASSERT_NO_FATAL_FAILURE(Run(TWorkingMode::PanelConfig, [&](TUser& me) {
        WaitForWindow(me, kEditor, GetParam().editorTitle);
        EXPECT_EQ(me.Answer(QMessageBox::Ok), OnGui([] { return Msg(31); }));
        TypePassword(me, "12");

        // Exit: the refusal, then the question; Yes wants the changes kept, which cannot be: the window
        // stays.
        const std::string refused = OnGui([] { return Msg(145); });
        const std::string question = OnGui([] { return Msg(304); });
        me.Click("Exit", [] { return ToolButton(kEditor, QStringLiteral("CloseFormAction")); });
        EXPECT_EQ(me.Answer(QMessageBox::Ok), refused);
        EXPECT_EQ(me.Answer(QMessageBox::Yes), question);
        std::this_thread::sleep_for(1s);
        EXPECT_TRUE(OnGui([] { return Window(kEditor) && Window(kEditor)->isVisible(); }))
            << "the window closed";
        EXPECT_EQ(OnGui([] { return PasswordEdit()->text().toStdString(); }), "12");

        me.Click("Exit", [] { return ToolButton(kEditor, QStringLiteral("CloseFormAction")); });
        EXPECT_EQ(me.Answer(QMessageBox::Ok), refused);
        EXPECT_EQ(me.Answer(QMessageBox::No), question);
    }));

    const proc::TResult after = Cli({"config", "dump"});
    ASSERT_EQ(after.exitCode, 0) << after.err;
    EXPECT_EQ(Blocks(after.out).at("user_pw"), "81828384FFFF");
}

// The rows of the event list as the user sees them: the text of one column.
std::vector<std::string> ListColumn(int column) {
    std::vector<std::string> texts;
    auto* list = Child<QTableView>(kLog, QStringLiteral("ListView1"));
    if (!list || !list->model()) return texts;
    const QAbstractItemModel& model = *list->model();
    for (int r = 0; r < model.rowCount(); ++r)
        texts.push_back(model.index(r, column).data().toString().toStdString());
    return texts;
}

// "Read log" fills the list with every record of the panel's ring; the filter by event type, set up in the
// filter dialog with the mouse and the keyboard, leaves exactly the alarms.
TEST_P(WindowsUnderX, EventLogReadsTheRingAndFiltersByType) {
    constexpr int kRecords = 300;
    StartPanel({"--log-records", std::to_string(kRecords)});
    ASSERT_NO_FATAL_FAILURE(Run(TWorkingMode::EventLog, [&](TUser& me) {
        WaitForWindow(me, kLog, GetParam().logTitle);
        const TControl read =
            me.Click("Read log", [] { return ToolButton(kLog, QStringLiteral("MenuConnectAction")); });
        EXPECT_EQ(read.text.toStdString(), GetParam().readLog);
        me.WaitUntil(
            "the list to fill", [] { return ListColumn(3).size() == kRecords; }, 120s);
        const std::vector<std::string> all = OnGui([] { return ListColumn(3); });
        const std::string alarm = OnGui([] { return Msg(729); });
        const auto alarms = static_cast<std::size_t>(std::count_if(
            all.begin(), all.end(), [&](const std::string& event) { return event.rfind(alarm, 0) == 0; }));
        ASSERT_GT(alarms, 0u);
        ASSERT_LT(alarms, all.size());

        const auto [menu, action] =
            me.ChooseMenu(kLog, QStringLiteral("FilterMenu"), QStringLiteral("ReportAction"));
        EXPECT_EQ(menu, GetParam().filterMenu);
        EXPECT_EQ(action, GetParam().filterBy);
        const QString dialog = QStringLiteral("ZMStoreReportForm");
        me.WaitFor("the filter dialog", [&] { return Window(dialog); });
        // The event-type item: selected by a click, checked with the space bar.
        me.ClickItem(dialog, QStringLiteral("FiltersLV"), 1);
        me.Input().Key("space");
        me.WaitUntil("the event-type filter to be checked", [&] {
            auto* items = Child<QTreeWidget>(dialog, QStringLiteral("FiltersLV"));
            return items->topLevelItem(1)->checkState(0) == Qt::Checked;
        });
        const TControl type = me.Click(
            "the alarm type",
            [&]() -> QWidget* { return Child<QCheckBox>(dialog, QStringLiteral("YEventType2")); },
            TUser::LeftEdge);
        EXPECT_EQ(HasCyrillic(type.text.toStdString()), IsRussian()) << type.text.toStdString();
        me.WaitUntil("the alarm type to be checked",
                     [&] { return Child<QCheckBox>(dialog, QStringLiteral("YEventType2"))->isChecked(); });
        const TControl apply = me.Click(
            "Apply", [&]() -> QWidget* { return Child<QPushButton>(dialog, QStringLiteral("Button1")); });
        EXPECT_EQ(apply.text.toStdString(), GetParam().apply);

        me.WaitUntil(
            "the list to narrow", [&] { return ListColumn(3).size() == alarms; }, 60s);
        for (const std::string& event : OnGui([] { return ListColumn(3); }))
            EXPECT_EQ(event.rfind(alarm, 0), 0u) << event;
        me.Click("Exit", [] { return ToolButton(kLog, QStringLiteral("CloseFormAction")); });
    }));
}

// After "Connect" the list shows the sample images made for the panel; the one selected by a click is
// written with "Write" once the program's own questions are answered, and the panel then reports its
// version. The settings were saved into the program's configuration folder first.
TEST_P(WindowsUnderX, FirmwareWindowWritesTheSelectedImage) {
    const std::string image = "Y-PCN_test_v6_3_5.tsk";
    StartPanel();
    ASSERT_NO_FATAL_FAILURE(Run(TWorkingMode::FirmwareUpdate, [&](TUser& me) {
        me.WaitFor(
            "the firmware window", [] { return Window(kFirmware); }, 30s);
        const std::string title = OnGui([] { return Window(kFirmware)->windowTitle().toStdString(); });
        EXPECT_EQ(title, "Mirca-Y " + OnGui([] { return Msg(149); }));
        EXPECT_EQ(HasCyrillic(title), IsRussian()) << title;

        const TControl connect =
            me.Click("Connect", [] { return ToolButton(kFirmware, QStringLiteral("MenuConnectAction")); });
        EXPECT_EQ(connect.text.toStdString(), GetParam().connect);
        const auto files = [] {
            std::vector<std::string> names;
            auto* list = Child<QTreeWidget>(kFirmware, QStringLiteral("ListView1"));
            for (int i = 0; list && i < list->topLevelItemCount(); ++i)
                names.push_back(list->topLevelItem(i)->text(0).toStdString());
            return names;
        };
        me.WaitUntil(
            "the panel's images only",
            [&] { return ToolButton(kFirmware, QStringLiteral("MenuDisonnectAction"))->isEnabled(); }, 60s);
        const std::vector<std::string> listed = OnGui(files);
        EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()),
                  (std::set<std::string>{"Y-PCN_test_v6_3_5.tsk", "Y-PCN_test_v6_4_12.tsk"}));
        EXPECT_EQ(listed.size(), 2u);
        const auto row = std::find(listed.begin(), listed.end(), image);
        ASSERT_NE(row, listed.end());
        me.ClickItem(kFirmware, QStringLiteral("ListView1"), static_cast<int>(row - listed.begin()));
        me.WaitUntil("the image to be selected", [&] {
            const auto selected = Child<QTreeWidget>(kFirmware, QStringLiteral("ListView1"))->selectedItems();
            return selected.size() == 1 && selected.front()->text(0).toStdString() == image;
        });

        const TControl write =
            me.Click("Write", [] { return ToolButton(kFirmware, QStringLiteral("MenuWriteAction")); });
        EXPECT_EQ(write.text.toStdString(), GetParam().writeTo);
        // Sure to write? Then, after the image: bring the settings in line? Then: done.
        std::vector<std::string> boxes;
        std::vector<std::string> buttons;
        const std::string done = OnGui([] { return Msg(167); });
        while (boxes.size() < 5 && (boxes.empty() || boxes.back() != done)) {
            boxes.push_back(me.GoOn());
            buttons.push_back(me.LastButtonText());
        }
        EXPECT_EQ(boxes, OnGui([] { return std::vector<std::string>{Msg(161), Msg(290), Msg(167)}; }));
        ASSERT_FALSE(buttons.empty());
        EXPECT_EQ(buttons.front(), GetParam().yes);
        // Written: the device is let go.
        me.WaitUntil("the device to be let go",
                     [] { return ToolButton(kFirmware, QStringLiteral("MenuConnectAction"))->isEnabled(); });
        me.Click("Exit", [] { return ToolButton(kFirmware, QStringLiteral("CloseFormAction")); });
    }));

    const proc::TResult identify = Cli({"identify"});
    EXPECT_EQ(identify.exitCode, 0) << identify.err;
    EXPECT_NE(identify.out.find("version: 6.3.5\n"), std::string::npos) << identify.out;
    std::vector<fs::path> saved;
    for (const auto& entry : fs::directory_iterator(program_ / "conf"))
        if (entry.path().filename().string().find("_before_update_") != std::string::npos)
            saved.push_back(entry.path());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved.front().extension(), ".ycfg");
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowsUnderX, testing::Values(kRussian, kEnglish),
                         [](const testing::TestParamInfo<TLanguage>& info) {
                             return std::string(info.param.code);
                         });

}  // namespace
}  // namespace mirca::xvfb
