// The firmware update window on the offscreen platform, over the in-process panel: what it lists when it
// opens and when a panel is connected, the write with its questions driven through the window (menu and a
// dragged row), the demo mode, and closing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "firmware/zchangesoftform.h"
#include "memmap/memmap.h"
#include "sim/factoryimage.h"
#include "tests/firmware_images.h"
#include "tests/gui_app.h"
#include "tests/gui_dialogs.h"
#include "tests/panelports.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using testing_firmware::PanelImage;
using TKind = TScriptedDialogs::TKind;
using TAnswer = IDialogService::TAnswer;
using Bytes = std::vector<std::uint8_t>;

const testing::Environment* const kGuiApplication = testing::AddGlobalTestEnvironment(new TGuiApplication);
const fs::path kBin = MIRCA_BIN_DIR;

// Scripted answers, and at each question the state of the commands the write must hold off.
class TWatchingDialogs : public TScriptedDialogs {
public:
    TAnswer Ask(const std::string& caption, const std::string& text, bool defaultNo) override {
        if (watch) watch();
        return TScriptedDialogs::Ask(caption, text, defaultNo);
    }
    std::function<void()> watch;
};

class FirmwareWindow : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "RU", "");
        firmware_ = dir_ / "base";
        fs::create_directories(firmware_);
        fs::create_directories(dir_ / "conf");
        map_ = std::make_unique<TZelmoMemoryMap>(kBin / "drv_base" / "937_d_6_4.xml");
        sim::LoadFactoryMap(panel_, *map_);
        TFirmwareSetup setup;
        setup.dialogs = &dialogs_;
        setup.paths = [this] { return TFirmwarePaths{kBin, firmware_, kBin / "drv_base", dir_ / "conf"}; };
        setup.backupBeforeUpdate = [this] { return backup_; };
        setup.link = [this] {
            return std::make_unique<TPanelLink>(std::make_unique<TPluggablePort>(panel_, clock_, plugged_),
                                                clock_);
        };
        setup.sleeper = &clock_;
        setup.services.language = "RU";
        setup.services.openUrl = [](const std::string&) { return true; };
        setup.services.stamp = [] { return std::string("20261210_120000"); };
        form_ = std::make_unique<TZChangeSoftForm>(std::move(setup));
    }
    void TearDown() override {
        if (form_ && form_->isVisible()) form_->close();
        form_.reset();
        TTestFolder::TearDown();
    }

    void AddFile(const std::string& name, const Bytes& bytes) { WriteBytes(firmware_ / name, bytes); }
    void Show() {
        form_->show();
        QApplication::processEvents();
    }
    void Connect() {
        Trigger("MenuConnectAction");
        ASSERT_EQ(Panel(5), Msg(25)) << Panel(0);
    }
    std::string Panel(int i) const {
        return form_->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i))->text().toStdString();
    }
    QAction& Action(const char* name) const { return *form_->findChild<QAction*>(QString::fromLatin1(name)); }
    bool On(const char* name) const { return Action(name).isEnabled(); }
    void Trigger(const char* name) { Action(name).trigger(); }
    QTreeWidget& List(const char* name) const {
        return *form_->findChild<QTreeWidget*>(QString::fromLatin1(name));
    }
    // One column of every row.
    std::vector<std::string> Column(const char* list, int column) const {
        std::vector<std::string> texts;
        for (int i = 0; i < List(list).topLevelItemCount(); ++i)
            texts.push_back(List(list).topLevelItem(i)->text(column).toStdString());
        return texts;
    }
    std::vector<std::string> Headers(const char* list) const {
        std::vector<std::string> texts;
        const QTreeWidgetItem* header = List(list).headerItem();
        for (int i = 0; i < header->columnCount(); ++i)
            texts.push_back(header->text(i).toStdString());
        return texts;
    }
    void Select(int row) { List("ListView1").setCurrentItem(List("ListView1").topLevelItem(row)); }
    // A left click in the middle of the file list's column header.
    void ClickHeader(int section) {
        QHeaderView& header = *List("ListView1").header();
        QWidget* viewport = header.viewport();
        const QPoint at(header.sectionViewportPosition(section) + header.sectionSize(section) / 2,
                        viewport->height() / 2);
        ASSERT_TRUE(viewport->rect().contains(at)) << "section " << section << " is out of sight";
        QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &release);
        QApplication::processEvents();
    }

    sim::TSimPanel panel_;
    TVirtualClock clock_;
    std::unique_ptr<TZelmoMemoryMap> map_;
    TWatchingDialogs dialogs_;
    bool plugged_ = true;
    bool backup_ = true;
    fs::path firmware_;
    std::unique_ptr<TZChangeSoftForm> form_;
};

TEST_F(FirmwareWindow, OpeningListsTheFilesOfTheOpeningMasksOnline) {
    AddFile("937rpu.tsk", PanelImage(3, 1, 2, 600));
    AddFile("fw_rpd.tsk", PanelImage(6, 4, 12));
    AddFile("notes.tsk", PanelImage(6, 4, 12));
    Show();

    EXPECT_EQ(form_->windowTitle().toStdString(), "Mirca-Y " + Msg(149));
    EXPECT_TRUE(form_->IsOpen());
    EXPECT_EQ(Headers("ListView1"),
              (std::vector<std::string>{"Имя файла", "Версия ПО", "Размер", "Дата создания", "Путь"}));
    EXPECT_EQ(Headers("ListView2"),
              (std::vector<std::string>{"Тип прибора", "Версия ПО", "Дополнительная информация"}));
    // "937*" then "*rpu*" then "*rpd*": a file of two masks is listed twice; a file of none is not.
    EXPECT_EQ(Column("ListView1", 0), (std::vector<std::string>{"937rpu.tsk", "937rpu.tsk", "fw_rpd.tsk"}));
    EXPECT_EQ(Column("ListView1", 1), (std::vector<std::string>{"ev3_1_2", "ev3_1_2", "ev6_4_12"}));
    EXPECT_EQ(Column("ListView1", 2)[0], "600" + Msg(269));
    const auto written = fs::file_time_type::clock::to_sys(fs::last_write_time(firmware_ / "937rpu.tsk"));
    const QDateTime shown = QDateTime::fromSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count());
    EXPECT_EQ(Column("ListView1", 3)[0], shown.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")).toStdString());
    EXPECT_EQ(Column("ListView1", 4)[0], (firmware_ / "").string());
    EXPECT_EQ(List("ListView2").topLevelItemCount(), 0);

    EXPECT_EQ(Panel(2), "Онлайн");
    EXPECT_EQ(Panel(5), Msg(11));
    EXPECT_TRUE(On("MenuConnectAction"));
    EXPECT_FALSE(On("MenuDisonnectAction"));
    EXPECT_FALSE(On("MenuWriteAction"));
    EXPECT_TRUE(On("FileOpenAction"));
    EXPECT_FALSE(form_->findChild<QTextBrowser*>(QStringLiteral("TipBrowser"))->toPlainText().isEmpty());
    EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(FirmwareWindow, ConnectingAY649ListsOnlyItsFilesAndShowsTheDevice) {
    AddFile("937_s3.tsk", PanelImage(3, 1, 0));
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    AddFile("Y-PCN_s1.tsk", PanelImage(1, 2, 0));
    Show();
    Connect();
    EXPECT_EQ(Column("ListView1", 0), std::vector<std::string>{"Y-PCN_6_4_12.tsk"});
    EXPECT_EQ(Column("ListView2", 0), std::vector<std::string>{Msg(500)});
    EXPECT_EQ(Column("ListView2", 1), std::vector<std::string>{"dv6_4"});
    EXPECT_EQ(Column("ListView2", 2), std::vector<std::string>{"-"});
    EXPECT_EQ(Panel(0), Msg(24));
    EXPECT_TRUE(On("MenuWriteAction"));
    EXPECT_TRUE(On("MenuDisonnectAction"));
    EXPECT_FALSE(On("MenuConnectAction"));

    // Without a row chosen the write warns and sends nothing.
    panel_.ClearExchange();
    Trigger("MenuWriteAction");
    EXPECT_EQ(dialogs_.Texts(TKind::Inform), std::vector<std::string>{Msg(160)});
    EXPECT_TRUE(panel_.Exchange().empty());
    EXPECT_EQ(Panel(5), Msg(25));
}

// A click on a column's header sorts the list by what the column means, a second click the other way; the
// write then takes the file of the row chosen on the screen, wherever the session keeps it.
TEST_F(FirmwareWindow, AHeaderClickSortsByTheColumnsValueAndTheChosenRowStaysItsFile) {
    struct TFile {
        const char* name;
        int build;
        std::size_t size;
        std::int64_t modified;  // seconds since the epoch
    };
    // Their texts would sort differently from their values in the version, size and date columns.
    const TFile files[] = {{"Y-PCN_a.tsk", 12, 700, 1735639200},    // 31.12.2024 10:00:00 UTC
                           {"y-pcn_B.tsk", 9, 3000, 1735808405},    // 02.01.2025 09:00:05 UTC
                           {"Y-PCN_c.tsk", 10, 1500, 1735808401}};  // 02.01.2025 09:00:01 UTC
    for (const TFile& f : files) {
        AddFile(f.name, PanelImage(6, 4, f.build, f.size));
        fs::last_write_time(
            firmware_ / f.name,
            fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(f.modified))));
    }
    backup_ = false;
    Show();
    Connect();
    const std::vector<std::string> byName = {"Y-PCN_a.tsk", "y-pcn_B.tsk", "Y-PCN_c.tsk"};
    EXPECT_EQ(Column("ListView1", 0), byName);

    struct TClick {
        int section;
        std::vector<std::string> names;
    };
    for (const TClick& c : {TClick{1, {"y-pcn_B.tsk", "Y-PCN_c.tsk", "Y-PCN_a.tsk"}},
                            TClick{1, {"Y-PCN_a.tsk", "Y-PCN_c.tsk", "y-pcn_B.tsk"}},
                            TClick{2, {"Y-PCN_a.tsk", "Y-PCN_c.tsk", "y-pcn_B.tsk"}},
                            TClick{2, {"y-pcn_B.tsk", "Y-PCN_c.tsk", "Y-PCN_a.tsk"}}, TClick{0, byName},
                            TClick{0, {"Y-PCN_c.tsk", "y-pcn_B.tsk", "Y-PCN_a.tsk"}},
                            TClick{3, {"Y-PCN_a.tsk", "Y-PCN_c.tsk", "y-pcn_B.tsk"}},
                            TClick{3, {"y-pcn_B.tsk", "Y-PCN_c.tsk", "Y-PCN_a.tsk"}}}) {
        ClickHeader(c.section);
        EXPECT_EQ(Column("ListView1", 0), c.names) << "section " << c.section;
    }

    // The first row on the screen is y-pcn_B.tsk, the session's second file.
    Select(0);
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 290
    Trigger("MenuWriteAction");
    EXPECT_EQ(dialogs_.Texts(TKind::Inform), std::vector<std::string>{Msg(167)});
    const Bytes chosen = PanelImage(6, 4, 9, 3000);
    ASSERT_GE(panel_.Firmware().size(), chosen.size());
    EXPECT_TRUE(std::equal(chosen.begin(), chosen.end(), panel_.Firmware().begin()));
}

// The whole write through the window: the commands held off while it runs, the gauge moving, the image in
// the panel, the result box, and the panel let go afterwards.
TEST_F(FirmwareWindow, WritingTheChosenRowPutsTheImageIntoThePanelAndDisconnects) {
    const Bytes image = PanelImage(6, 4, 12, 5000);
    AddFile("Y-PCN_6_4_12.tsk", image);
    Show();
    Connect();
    std::vector<std::pair<bool, bool>> heldOff;
    dialogs_.watch = [&] { heldOff.emplace_back(!On("MenuWriteAction"), !On("FileOpenAction")); };
    int highest = 0;
    std::vector<int> positions;
    QObject::connect(form_->findChild<QProgressBar*>(QStringLiteral("MainProgressGauge")),
                     &QProgressBar::valueChanged, [&](int value) {
                         positions.push_back(value);
                         highest = std::max(highest, value);
                     });
    Select(0);
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 290
    Trigger("MenuWriteAction");

    EXPECT_EQ(dialogs_.Texts(TKind::Ask), (std::vector<std::string>{Msg(161), Msg(290)}));
    EXPECT_EQ(dialogs_.Texts(TKind::Inform), std::vector<std::string>{Msg(167)});
    EXPECT_EQ(heldOff, (std::vector<std::pair<bool, bool>>{{true, true}, {true, true}}));
    ASSERT_GE(panel_.Firmware().size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), panel_.Firmware().begin()));
    EXPECT_TRUE(panel_.FirmwareComplete());
    EXPECT_EQ(highest, 100);
    EXPECT_GT(positions.size(), 3u) << "the gauge moved with the transfer";
    EXPECT_EQ(form_->findChild<QProgressBar*>(QStringLiteral("MainProgressGauge"))->value(), 0);
    // The configuration was saved first, as the setting asked when the window opened.
    EXPECT_TRUE(fs::exists(dir_ / "conf" / "Y-649_before_update_20261210_120000.ycfg"));

    EXPECT_EQ(Panel(5), Msg(11));
    EXPECT_EQ(List("ListView2").topLevelItemCount(), 0);
    EXPECT_FALSE(On("MenuWriteAction"));
    EXPECT_TRUE(On("FileOpenAction"));
    EXPECT_TRUE(On("MenuConnectAction"));
    EXPECT_FALSE(form_->Session()->Connected());
}

// A row dragged (left button, past the threshold) onto the device list starts the write of that row; the
// device list takes nothing from itself or from outside, and nothing while writing is off.
TEST_F(FirmwareWindow, ARowDroppedOnTheDeviceStartsItsWrite) {
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    backup_ = false;
    Show();
    Connect();
    auto& files = static_cast<TFirmwareFileList&>(List("ListView1"));
    QWidget* target = List("ListView2").viewport();
    int drags = 0;
    bool accepted = false;
    files.runDrag = [&](QDrag& drag) {
        ++drags;
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        accepted = enter.isAccepted();
        QDropEvent drop(at, Qt::CopyAction, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    };
    const auto drag = [&](int distance) {
        QWidget* source = files.viewport();
        const QPoint start = files.visualItemRect(files.topLevelItem(0)).center();
        QMouseEvent press(QEvent::MouseButtonPress, start, source->mapToGlobal(start), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(source, &press);
        const QPoint to = start + QPoint(distance, 0);
        QMouseEvent move(QEvent::MouseMove, to, source->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(source, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, source->mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(source, &release);
        QApplication::processEvents();
    };

    drag(4);
    EXPECT_EQ(drags, 0) << "short of the threshold";
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    dialogs_.ScriptAnswer(TAnswer::No);   // 290
    drag(5);
    EXPECT_EQ(drags, 1);
    EXPECT_TRUE(accepted);
    ASSERT_TRUE(WaitFor([&] { return dialogs_.Count(TKind::Inform) == 1; }));
    EXPECT_EQ(dialogs_.Texts(TKind::Ask), (std::vector<std::string>{Msg(161), Msg(290)}));
    EXPECT_EQ(dialogs_.Texts(TKind::Inform), std::vector<std::string>{Msg(167)});
    EXPECT_TRUE(panel_.FirmwareComplete());
    EXPECT_TRUE(fs::is_empty(dir_ / "conf")) << "no backup: the setting said so";

    // Disconnected now: a drop does nothing.
    dialogs_.Clear();
    drag(10);
    QApplication::processEvents();
    EXPECT_EQ(drags, 2);
    EXPECT_TRUE(dialogs_.Calls().empty());

    // Plain data from another program, and the row of the device list itself, are refused.
    QMimeData plain;
    plain.setText(QStringLiteral("0"));
    QDragEnterEvent outside(target->rect().center(), Qt::CopyAction, &plain, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &outside);
    EXPECT_FALSE(outside.isAccepted());
}

TEST_F(FirmwareWindow, DemoModeTakesConnectingAndWritingAway) {
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    Show();
    Connect();
    Trigger("MenuDemoAction");
    EXPECT_EQ(Panel(2), "Демо");
    EXPECT_FALSE(On("MenuConnectAction"));
    EXPECT_FALSE(On("MenuDisonnectAction"));
    EXPECT_FALSE(On("MenuWriteAction"));
    EXPECT_FALSE(form_->Session()->Connected());
    Trigger("MenuOnlineAction");
    EXPECT_EQ(Panel(2), "Онлайн");
    EXPECT_TRUE(On("MenuConnectAction"));
    EXPECT_FALSE(On("MenuWriteAction"));

    // No panel on the bus: the error box, and the window stays ready to connect.
    plugged_ = false;
    Trigger("MenuConnectAction");
    EXPECT_EQ(dialogs_.Texts(TKind::Inform), std::vector<std::string>{Msg(13)});
    EXPECT_EQ(Panel(0), Msg(13));
    EXPECT_TRUE(On("MenuConnectAction"));
}

// Modal while it runs; closing lets the panel go and empties the lists; the next opening reads the folder
// afresh and keeps the device's last identity.
TEST_F(FirmwareWindow, ClosingLetsThePanelGoAndTheNextOpeningReadsTheSettingsAgain) {
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    bool openWhileRunning = false;
    bool modal = false;
    QTimer::singleShot(0, form_.get(), [&] {
        openWhileRunning = form_->IsOpen();
        modal = form_->isModal();
        Trigger("MenuConnectAction");
        Trigger("CloseFormAction");
    });
    form_->RunModal();
    EXPECT_TRUE(openWhileRunning);
    EXPECT_TRUE(modal);
    EXPECT_FALSE(form_->IsOpen());
    EXPECT_FALSE(form_->Session()->Connected());
    EXPECT_EQ(List("ListView1").topLevelItemCount(), 0);
    EXPECT_EQ(List("ListView2").topLevelItemCount(), 0);
    EXPECT_EQ(form_->Session()->Link().Device().TypeCode, 937);

    firmware_ = dir_ / "other";
    fs::create_directories(firmware_);
    AddFile("937_other.tsk", PanelImage(6, 4, 13));
    Show();
    EXPECT_EQ(Column("ListView1", 0), std::vector<std::string>{"937_other.tsk"});
    Connect();
    EXPECT_EQ(Column("ListView1", 0), std::vector<std::string>{});
}

}  // namespace
}  // namespace mirca
