// The event log window's session without the window: which query the filter dialog's answer asks for, the
// gauge through a read of the panel's log, and the question before exported files are deleted.
#include <gtest/gtest.h>

#include <algorithm>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/textformat.h"
#include "devlink/panellink.h"
#include "eventlog/database.h"
#include "eventlog/logsession.h"
#include "sim/panel.h"
#include "tests/gui_dialogs.h"
#include "tests/panelports.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

const std::filesystem::path kMessages =
    std::filesystem::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "Messages.xml";

class FilterQueryTest : public testing::Test {
protected:
    void SetUp() override { Catalogue().LoadCatalogue(kMessages, "RU", ""); }
    static TLogFilter Answer() {
        TLogFilter f;
        f.from = "01.02.2024";
        f.to = "03.02.2024";
        f.types[2] = true;
        f.object = "12";
        f.uoo = "7";
        f.uop = "2";
        return f;
    }
};

TEST_F(FilterQueryTest, TheSelectedItemDecidesUnlessSeveralAreChecked) {
    TLogFilter f = Answer();
    f.checked[0] = true;  // checked, but another item is selected
    f.selected = 2;
    EXPECT_EQ(FilterQuery(f, 6), SingleQuery(ObjectCondition("12", Catalogue())));

    f.checked = {true, false, false, false, true};
    f.combined = true;
    EXPECT_EQ(FilterQuery(f, 6),
              CombinedQuery({DateCondition("01.02.2024", "03.02.2024"), UopCondition("2", Catalogue())}));

    struct TCase {
        int selected;
        std::string condition;
    };
    for (const TCase& c :
         {TCase{0, DateCondition("01.02.2024", "03.02.2024")},
          TCase{1, EventTypeCondition(Answer().types, Catalogue())}, TCase{3, UooCondition("7", Catalogue())},
          TCase{4, UopCondition("2", Catalogue())}}) {
        TLogFilter one = Answer();
        one.selected = c.selected;
        EXPECT_EQ(FilterQuery(one, 6), SingleQuery(c.condition)) << c.selected;
    }
}

TEST_F(FilterQueryTest, NothingRunsWithoutAnItemOrForOtherSystems) {
    TLogFilter f = Answer();
    EXPECT_TRUE(FilterQuery(f, 6).empty());  // no item selected
    f.selected = 5;
    EXPECT_TRUE(FilterQuery(f, 6).empty());
    f.selected = 2;
    for (unsigned system : {0u, 1u, 2u, 3u, 5u})
        EXPECT_TRUE(FilterQuery(f, system).empty()) << system;
}

TEST_F(FilterQueryTest, ABoxThatHoldsNoNumberIsAConversionError) {
    TLogFilter f = Answer();
    f.selected = 3;
    f.uoo = "7x";
    EXPECT_THROW(FilterQuery(f, 6), TConversionError);
}

// ---------------------------------------------------------------------------------------------------------
// The session over the in-process panel

// Every percent the session sets, in order.
class TRecordingGauge : public IGauge {
public:
    void SetPercent(int percent) override { percents.push_back(percent); }
    std::vector<int> percents;
};

class TRecordingLogView : public ILogView {
public:
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void ShowMode(TLogMode) override {}
    void ShowLink(bool on) override { links.push_back(on); }
    void Enable(TLogCommand command, bool on) override {
        if (command == TLogCommand::Filter) filterEnabled = on;
    }
    void SetDeviceInfo(const std::string& text) override { deviceInfo = text; }
    void ShowRows(const std::vector<TLogRow>& rows) override { shownRows = rows.size(); }
    void ShowSelection(const std::vector<TLogRow>&, const std::vector<std::size_t>& selection) override {
        shownRows = selection.size();
    }
    IGauge& Gauge() override { return gauge; }
    void SetBusy(bool) override {}
    std::string Text(TLogText) const override { return "text"; }
    void StartHelpTimer(int) override {}
    std::array<TExportColumn, 6> ExportedColumns() const override { return {}; }

    TRecordingGauge gauge;
    std::vector<std::string> statuses;
    std::vector<bool> links;
    std::string deviceInfo;
    std::size_t shownRows = 0;
    bool filterEnabled = false;
};

class LogSession : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        Catalogue().LoadCatalogue(kMessages, "RU", "");
        std::filesystem::create_directories(dir_ / "report");
        session_ = std::make_unique<TLogSession>(
            view_, dialogs_,
            [this] {
                return std::make_unique<TPanelLink>(
                    std::make_unique<TPluggablePort>(panel_, clock_, plugged_), clock_);
            },
            clock_, TLogPaths{dir_, dir_ / "report", dir_ / "Report" / "meslog.db"}, TLogServices{});
        session_->Shown();
    }

    TVirtualClock clock_;
    sim::TSimPanel panel_;
    bool plugged_ = true;
    TScriptedDialogs dialogs_;
    TRecordingLogView view_;
    std::unique_ptr<TLogSession> session_;
};

// The values in order, each run of one value once: what the gauge shows.
std::vector<int> Shown(const std::vector<int>& percents) {
    std::vector<int> shown;
    for (const int p : percents)
        if (shown.empty() || shown.back() != p) shown.push_back(p);
    return shown;
}

// A read of 1,400 records: 0 before it, 5 to 50 while the tables are read, back to 0 as the list starts
// filling, 50 at the first record rising through every percent to 99 (a step each 10 records), 100 when the
// log is in, and 0 when the command ends.
TEST_F(LogSession, AReadMovesTheGaugeThroughTablesThenRowsAndEndsAtZero) {
    panel_.SetEventLog({});
    ASSERT_EQ(sim::TEventLogSetup{}.records, 1400u);
    session_->ReadLog();
    ASSERT_EQ(view_.statuses.back(), Msg(262)) << "the log was read";
    ASSERT_EQ(view_.shownRows, 1400u);
    std::vector<int> expected = {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 0};
    for (int p = 50; p <= 99; ++p)
        expected.push_back(p);
    expected.push_back(100);
    expected.push_back(0);
    EXPECT_EQ(Shown(view_.gauge.percents), expected);
}

// The panel that answered is named as soon as it does, even when its log then cannot be read, and the link
// shows as closed once the read is over, whatever its outcome.
TEST_F(LogSession, TheDeviceIsNamedOnAnswerAndTheLinkShowsClosedAfterEveryRead) {
    struct Case {
        const char* what;
        bool fault;
    };
    for (const Case& c : {Case{"read", false}, Case{"a block never comes", true}}) {
        SCOPED_TRACE(c.what);
        panel_.SetEventLog({});
        if (c.fault) panel_.InjectFault({sim::TFaultKind::NoReply, sim::TReplyKind::LogBlock});
        view_.links.clear();
        view_.deviceInfo.clear();
        session_->ReadLog();
        EXPECT_EQ(view_.statuses.back(), c.fault ? Msg(263) : Msg(262));
        const unsigned system = panel_.Identity().major;
        EXPECT_EQ(view_.deviceInfo.rfind(FormatTexts(Msg(1), {Msg(500), std::to_string(system) + "."}), 0),
                  0u)
            << view_.deviceInfo;
        ASSERT_FALSE(view_.links.empty());
        EXPECT_TRUE(std::find(view_.links.begin(), view_.links.end(), true) != view_.links.end());
        EXPECT_FALSE(view_.links.back()) << "the link still shows as established";
    }
}

// A damaged database file is only a cache of logs read: the window offers to set it aside and make a new one.
// Yes keeps the broken file under another name and filters the log in a new database; No leaves the file as
// it is and the window shows the log without filters.
TEST_F(LogSession, ADamagedDatabaseIsSetAsideAndMadeAfreshOnlyOnYes) {
    const std::filesystem::path db = dir_ / "Report" / "meslog.db";
    const std::string broken = "garbage where the event database should be";
    for (const auto answer : {TScriptedDialogs::TAnswer::No, TScriptedDialogs::TAnswer::Yes}) {
        const bool yes = answer == TScriptedDialogs::TAnswer::Yes;
        SCOPED_TRACE(yes ? "Yes" : "No");
        std::filesystem::create_directories(db.parent_path());
        std::ofstream(db) << broken;
        panel_.SetEventLog({true, 40, 0, 1});
        view_.filterEnabled = false;
        dialogs_.Clear();
        dialogs_.ScriptAnswer(answer);
        session_->ReadLog();
        ASSERT_EQ(view_.statuses.back(), Msg(262)) << "the log was read";
        EXPECT_EQ(view_.shownRows, 40u) << "the list shows the log either way";
        ASSERT_EQ(dialogs_.Count(TScriptedDialogs::TKind::Ask), 1u);
        const std::string question = dialogs_.Texts(TScriptedDialogs::TKind::Ask).front();
        EXPECT_EQ(question.rfind(FormatTexts(Msg(912), {db.string()}) + "\n\n" + db.string() + ": ", 0), 0u)
            << question;
        EXPECT_EQ(dialogs_.Count(TScriptedDialogs::TKind::Inform), 0u);
        EXPECT_EQ(view_.filterEnabled, yes);
        if (yes) {
            EXPECT_EQ(ReadText(dir_ / "Report" / "meslog.db.broken"), broken) << "the broken file is kept";
            EXPECT_EQ(TEventDatabase(db).Query(ShowAllQuery()).size(), 40u);
            session_->ShowAll();
            EXPECT_EQ(view_.shownRows, 40u);
        } else {
            EXPECT_EQ(ReadText(db), broken);
            EXPECT_FALSE(std::filesystem::exists(dir_ / "Report" / "meslog.db.broken"));
        }
    }
}

// Deleting the exported reports on closing asks with No as the default button: Enter keeps them.
TEST_F(LogSession, ClosingDeletesExportsOnlyOnYesAndNoIsTheDefault) {
    struct Case {
        TScriptedDialogs::TAnswer answer;
        bool deleted;
    } cases[] = {{TScriptedDialogs::TAnswer::No, false},
                 {TScriptedDialogs::TAnswer::Cancel, false},
                 {TScriptedDialogs::TAnswer::Yes, true}};
    const std::filesystem::path files[] = {dir_ / "report" / "a.htm", dir_ / "report" / "b.htm"};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        for (const auto& file : files) {
            WriteBytes(file, {'x'});
            session_->AddExportedFile(file);
        }
        dialogs_.Clear();
        dialogs_.ScriptAnswer(c.answer);
        session_->Close();
        ASSERT_EQ(dialogs_.Count(TScriptedDialogs::TKind::Ask), 1u);
        const auto& asked = dialogs_.Calls().front();
        EXPECT_EQ(asked.text, Msg(349));
        EXPECT_TRUE(asked.defaultNo);
        for (const auto& file : files)
            EXPECT_EQ(std::filesystem::exists(file), !c.deleted) << file;
    }
    // The list is forgotten either way: closing again asks nothing.
    dialogs_.Clear();
    session_->Close();
    EXPECT_EQ(dialogs_.Count(TScriptedDialogs::TKind::Ask), 0u);
}

// An export the desktop cannot open is still written: the box says where it is and that no program is set
// up for it (a warning, not a failed export), whether the open call fails or there is none to call.
TEST_F(LogSession, AnExportNoProgramOpensIsWrittenAndTheBoxSaysWhere) {
    struct Case {
        const char* name;
        void (TLogSession::*command)();
        const char* extension;
        int message;
    } cases[] = {{"workbook", &TLogSession::ExportExcel, ".xlsx", 918},
                 {"page", &TLogSession::ExportHtml, ".htm", 919}};
    enum class TDesktop { Opens, Fails, Missing };
    panel_.SetEventLog({true, 40, 0, 1});
    for (const Case& c : cases) {
        for (const TDesktop desktop : {TDesktop::Opens, TDesktop::Fails, TDesktop::Missing}) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(static_cast<int>(desktop)));
            std::vector<std::string> opened;
            TLogServices services;
            services.stamp = [] { return std::string("09.12.2026 0:05:07"); };
            if (desktop != TDesktop::Missing) {
                services.openUrl = [&opened, desktop](const std::string& url) {
                    opened.push_back(url);
                    return desktop == TDesktop::Opens;
                };
            }
            TLogSession session(
                view_, dialogs_,
                [this] {
                    return std::make_unique<TPanelLink>(
                        std::make_unique<TPluggablePort>(panel_, clock_, plugged_), clock_);
                },
                clock_, TLogPaths{dir_, dir_ / "report", dir_ / "Report" / "exports.db"}, services);
            session.Shown();
            session.ReadLog();
            ASSERT_EQ(view_.statuses.back(), Msg(262)) << "the log was read";
            const std::filesystem::path file =
                dir_ / "report" / (std::string("09_12_2026_0_05_07") + c.extension);
            std::filesystem::remove(file);
            dialogs_.Clear();
            (session.*c.command)();

            EXPECT_TRUE(std::filesystem::is_regular_file(file));
            EXPECT_EQ(opened, desktop == TDesktop::Missing ? std::vector<std::string>{}
                                                           : std::vector<std::string>{file.string()});
            if (desktop == TDesktop::Opens) {
                EXPECT_TRUE(dialogs_.Calls().empty());
            } else {
                ASSERT_EQ(dialogs_.Calls().size(), 1u);
                const auto& box = dialogs_.Calls().front();
                EXPECT_EQ(box.kind, TScriptedDialogs::TKind::Inform);
                EXPECT_EQ(box.text, FormatTexts(Msg(c.message), {file.string()}));
                EXPECT_EQ(box.icon, IDialogService::TIcon::Warning);
            }
        }
    }
}

}  // namespace
}  // namespace mirca
