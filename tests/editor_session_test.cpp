// The editor's session against the in-process panel, with a recording view and scripted dialogs: finding
// the panel, demo, reading and writing, files, factory settings, registration backups, closing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/textformat.h"
#include "editor/editorsession.h"
#include "editor/objecttable.h"
#include "editor/settingsrules.h"
#include "memmap/block.h"
#include "memmap/files.h"
#include "sim/factoryimage.h"
#include "sim/simport.h"
#include "tests/gui_dialogs.h"
#include "tests/panelports.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using TKind = TScriptedDialogs::TKind;
using TAnswer = IDialogService::TAnswer;

const fs::path kMaps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";

// Remembers what the session showed; the page on screen and its commit are set by the test.
class TRecordingView : public IEditorView {
public:
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void ShowMode(TEditorMode m) override { mode = m; }
    void ShowLink(bool connected) override { linkShown = connected; }
    void Enable(TEditorCommand command, bool on) override { enabled[command] = on; }
    void SetDeviceInfo(const std::string& text) override { deviceInfo = text; }
    void SetCaptionSuffix(const std::string& suffix) override { caption = suffix; }
    void BuildTree(const std::string& menuName) override { trees.push_back(menuName); }
    void ShowSelectedPage() override { ++pagesShown; }
    bool CommitVisiblePage() override {
        ++commits;
        return leavePermission;
    }
    std::string VisiblePage() const override { return page; }
    void SelectParentNode() override { ++parentSelections; }
    void StartTimer(TEditorTimer timer, int ms) override { timers[timer] = ms; }
    void StopTimer(TEditorTimer timer) override { timers.erase(timer); }
    void SetProgress(int percent) override { progress.push_back(percent); }
    IProgress* TransferProgress() override { return nullptr; }
    void SetBusy(bool on) override { busy = on; }
    void ShowBackupPage(const TBackupPage& shown) override { backup = shown; }
    bool BackupWithConfiguration() const override { return backupWithConfiguration; }
    std::string AutoBackupObject() const override { return "1"; }
    void ShowAutoBackupName(const std::string& name) override { autoBackupName = name; }
    std::string Text(TEditorText text) const override {
        return text == TEditorText::ConfigFilter ? "Файлы настроек(*.ycfg)|*.ycfg" : "title";
    }

    bool On(TEditorCommand c) const {
        const auto it = enabled.find(c);
        return it != enabled.end() && it->second;
    }
    const std::string& Status() const { return statuses.back(); }

    std::vector<std::string> statuses;
    std::optional<TEditorMode> mode;
    bool linkShown = false;
    std::map<TEditorCommand, bool> enabled;
    std::string deviceInfo, caption = "(unset)";
    std::vector<std::string> trees;
    int pagesShown = 0, commits = 0, parentSelections = 0;
    bool leavePermission = true;
    std::string page;
    std::map<TEditorTimer, int> timers;
    std::vector<int> progress;
    bool busy = false;
    TBackupPage backup;
    bool backupWithConfiguration = false;
    std::string autoBackupName;
};

const std::string kDate = "10122026";

class EditorSession : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        Catalogue().LoadCatalogue(kMaps / "Messages.xml", "RU", "");
        fs::create_directories(dir_ / "conf");
        fs::create_directories(dir_ / "reg");
        fs::create_directories(dir_ / "help");
    }

    // A session over the in-process panel loaded with the named map's factory memory.
    void Start(const std::string& mapName, bool attached = true) {
        panelMap_ = std::make_unique<TZelmoMemoryMap>(kMaps / mapName);
        // The output modules speak only the older frames.
        sim::TPanelIdentity id = panel_.Identity();
        id.framed = panelMap_->devtype < 64 || panelMap_->devtype > 67;
        panel_.SetIdentity(id);
        sim::LoadFactoryMap(panel_, *panelMap_);
        plugged_ = attached;
        Make(std::make_unique<TPluggablePort>(panel_, clock_, plugged_));
    }
    void Make(std::unique_ptr<TPort> port) {
        auto link = std::make_unique<TPanelLink>(std::move(port), clock_);
        TEditorServices services;
        services.dateStamp = [] { return kDate; };
        services.openUrl = [this](const std::string& url) {
            opened_.push_back(url);
            return true;
        };
        session_ = std::make_unique<TEditorSession>(view_, dialogs_, std::move(link), clock_,
                                                    TEditorPaths{dir_, maps_, dir_ / "conf", dir_ / "reg"},
                                                    services);
    }
    // The window was shown and its online timer ran.
    void ShowAndConnect() {
        session_->Shown();
        ASSERT_EQ(view_.timers[TEditorTimer::Online], 500);
        session_->TimerExpired(TEditorTimer::Online);
    }
    std::uint8_t PanelByte(const std::string& block) {
        return panel_.Memory().at(panelMap_->ConfigBlock(block).Address);
    }
    void SetPanelByte(const std::string& block, std::uint8_t v) {
        panel_.Memory().at(panelMap_->ConfigBlock(block).Address) = v;
    }
    std::uint8_t MapByte(const std::string& block) {
        return session_->CurrentMap()->ConfigBlock(block).ValueBytes()[0];
    }
    void SetMapByte(const std::string& block, std::uint8_t v) {
        auto& b = session_->CurrentMap()->ConfigBlock(block);
        b.ValueBytes()[0] = v;
        b.Modified = true;
    }
    std::vector<std::string> InformTexts() const { return dialogs_.Texts(TKind::Inform); }

    TVirtualClock clock_;
    sim::TSimPanel panel_;
    std::unique_ptr<TZelmoMemoryMap> panelMap_;
    TRecordingView view_;
    TScriptedDialogs dialogs_;
    std::vector<std::string> opened_;
    std::unique_ptr<TEditorSession> session_;
    bool plugged_ = true;
    fs::path maps_ = kMaps;  // the folder of the maps and their list that the session reads
};

// ---------------------------------------------------------------------------------------------------------
// Finding the panel

TEST_F(EditorSession, NoPanelFallsBackToDemoWithTheY649Map) {
    Start("937_d_6_4.xml", /*attached=*/false);
    ShowAndConnect();
    EXPECT_EQ(view_.trees.front(), "Wait");
    ASSERT_EQ(InformTexts().size(), 1u);
    EXPECT_EQ(InformTexts()[0], Msg(13) + Msg(14) + Msg(17));
    EXPECT_EQ(view_.timers[TEditorTimer::Demo], 500);
    EXPECT_EQ(view_.Status(), Msg(12));  // the fall-back runs Disconnect

    session_->TimerExpired(TEditorTimer::Demo);
    EXPECT_EQ(view_.mode, TEditorMode::Demo);
    EXPECT_EQ(view_.trees.back(), "Y-649");
    ASSERT_NE(session_->CurrentMap(), nullptr);
    EXPECT_EQ(session_->CurrentMap()->devtype, 937);
    for (auto c :
         {TEditorCommand::Connect, TEditorCommand::Disconnect, TEditorCommand::Read, TEditorCommand::Write})
        EXPECT_FALSE(view_.On(c));
    EXPECT_TRUE(view_.On(TEditorCommand::FactorySettings));
}

TEST_F(EditorSession, SeveralPanelsAreRefusedWithoutOpeningOne) {
    Make(std::make_unique<TCrowdedPort>());
    ShowAndConnect();
    EXPECT_EQ(view_.statuses.at(view_.statuses.size() - 2), Msg(15) + Msg(16));
    ASSERT_EQ(InformTexts().size(), 1u);
    EXPECT_EQ(InformTexts()[0], Msg(15) + Msg(16) + Msg(17));
    EXPECT_FALSE(session_->Connected());
    EXPECT_EQ(view_.timers[TEditorTimer::Demo], 500);
}

TEST_F(EditorSession, APanelThatDoesNotAnswerIsReportedWithWhatWentWrong) {
    Start("937_d_6_4.xml");
    panel_.InjectFault({sim::TFaultKind::NoReply, sim::TReplyKind::Identify});
    ShowAndConnect();
    ASSERT_EQ(InformTexts().size(), 1u);
    const std::string box = InformTexts()[0];
    EXPECT_EQ(box.rfind(Msg(14) + Msg(17), 0), 0u) << box;
    EXPECT_GT(box.size(), (Msg(14) + Msg(17)).size()) << "the failure text follows the message";
    EXPECT_NE(std::find(view_.statuses.begin(), view_.statuses.end(), Msg(26)), view_.statuses.end());
    EXPECT_EQ(view_.timers[TEditorTimer::Demo], 500);
}

TEST_F(EditorSession, ConnectingReadsThePanelAndShowsItsTree) {
    Start("937_d_6_4.xml");
    SetPanelByte("notice_status_3", 0);
    SetPanelByte("mode_rele", 0x21);
    ShowAndConnect();
    ASSERT_TRUE(session_->Connected());
    EXPECT_EQ(MapByte("notice_status_3"), 0);
    EXPECT_EQ(MapByte("mode_rele"), 0x21);
    EXPECT_EQ(view_.trees.back(), "Y-649");
    EXPECT_EQ(view_.deviceInfo, FormatTexts(Msg(1), {Msg(500), "dv6_4"}));
    EXPECT_EQ(view_.Status(), Msg(24));
    EXPECT_TRUE(view_.linkShown);
    EXPECT_EQ(InformTexts(), std::vector<std::string>{Msg(31)});
    EXPECT_FALSE(view_.On(TEditorCommand::Connect));
    for (auto c : {TEditorCommand::Disconnect, TEditorCommand::Read, TEditorCommand::Write,
                   TEditorCommand::FactorySettings})
        EXPECT_TRUE(view_.On(c));
    EXPECT_FALSE(session_->CurrentMap()->AnyModified());
}

TEST_F(EditorSession, ADeviceWithoutAMapGetsTheNoDeviceTreeAndDemoLater) {
    Start("937_d_6_4.xml");
    sim::TPanelIdentity id = panel_.Identity();
    id.major = 2;  // no map serves this system
    panel_.SetIdentity(id);
    ShowAndConnect();
    EXPECT_TRUE(session_->Connected());
    EXPECT_EQ(session_->CurrentMap(), nullptr);
    EXPECT_EQ(view_.trees.back(), "NoDevice");
    EXPECT_EQ(view_.timers[TEditorTimer::Demo], 3000);
    session_->Read();  // enabled, but there is nothing to read into
    EXPECT_TRUE(InformTexts().empty());
}

// A panel the program supports whose map this installation cannot give is told apart from an unsupported
// one: the file is named in one box and on the status line, and the demo that follows does not repeat it.
TEST_F(EditorSession, AMissingOrBrokenMapFileIsNamedNotCalledUnsupported) {
    struct Case {
        const char* what;
        std::function<void(const fs::path& maps)> spoil;
        int message;
        const char* file;
        const char* detail;  // in the box after the message; "" for none
    };
    const std::vector<Case> cases = {
        {"map file missing", [](const fs::path& m) { fs::remove(m / "937_d_6_4.xml"); }, 913, "937_d_6_4.xml",
         ""},
        {"map file broken",
         [](const fs::path& m) {
             WriteBytes(m / "937_d_6_4.xml", {'<', 'm', 'a', 'p'});
         },
         914, "937_d_6_4.xml", "937_d_6_4.xml:1:"},
        {"map file is a folder",
         [](const fs::path& m) {
             fs::remove(m / "937_d_6_4.xml");
             fs::create_directory(m / "937_d_6_4.xml");
         },
         913, "937_d_6_4.xml", ""},
        {"map list broken",
         [](const fs::path& m) {
             WriteBytes(m / "maplist.xml", {'<', 'x'});
         },
         915, "maplist.xml", "maplist.xml:1:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        maps_ = dir_ / "maps";
        fs::remove_all(maps_);
        fs::copy(kMaps, maps_, fs::copy_options::recursive);
        c.spoil(maps_);
        view_ = TRecordingView();
        dialogs_.Clear();
        Start("937_d_6_4.xml");
        ShowAndConnect();
        EXPECT_TRUE(session_->Connected());
        EXPECT_EQ(session_->CurrentMap(), nullptr);
        const std::string named = FormatTexts(Msg(c.message), {(maps_ / c.file).string()});
        ASSERT_EQ(InformTexts().size(), 1u);
        EXPECT_EQ(InformTexts()[0].rfind(named, 0), 0u) << InformTexts()[0];
        EXPECT_NE(InformTexts()[0].find(c.detail), std::string::npos) << InformTexts()[0];
        EXPECT_EQ(view_.Status(), named);
        EXPECT_EQ(view_.trees.back(), "NoMap");
        EXPECT_EQ(view_.timers[TEditorTimer::Demo], 3000);

        session_->TimerExpired(TEditorTimer::Demo);
        EXPECT_EQ(view_.mode, TEditorMode::Demo);
        EXPECT_EQ(view_.trees.back(), "NoMap") << "the demo has no map either";
        EXPECT_EQ(dialogs_.Calls().size(), 1u) << "the demo repeated the fault";
        session_.reset();
    }
}

// ---------------------------------------------------------------------------------------------------------
// Reading and writing

TEST_F(EditorSession, WriteSendsOnlyWritableRangesAndThePanelHoldsTheChange) {
    Start("937_d_6_4.xml");
    ShowAndConnect();
    const std::vector<std::uint8_t> before = panel_.Memory();
    SetMapByte("notice_status_3", 0);
    // A read-only block changed in the map must not reach the device.
    session_->CurrentMap()->ConfigBlock("power_on_count").ValueBytes()[0] ^= 0xFF;
    dialogs_.Clear();
    session_->Write();
    EXPECT_EQ(InformTexts(), std::vector<std::string>{Msg(28)});
    EXPECT_EQ(view_.commits, 1);
    EXPECT_EQ(PanelByte("notice_status_3"), 0);
    EXPECT_EQ(panel_.Memory()[panelMap_->ConfigBlock("power_on_count").Address],
              before[panelMap_->ConfigBlock("power_on_count").Address]);
    // Every byte that changed belongs to a writable block.
    std::set<std::size_t> writable;
    for (std::size_t i = 0; i < panelMap_->BlockCount(); ++i) {
        const auto& b = panelMap_->ConfigBlock(i);
        if (b.Access & kAccessWrite)
            for (std::size_t a = b.Address; a < b.Address + b.Size; ++a)
                writable.insert(a);
    }
    for (std::size_t a = 0; a < before.size(); ++a) {
        if (panel_.Memory()[a] != before[a]) {
            EXPECT_TRUE(writable.count(a)) << "byte " << a;
        }
    }
    EXPECT_FALSE(session_->CurrentMap()->AnyModified());
}

TEST_F(EditorSession, APageThatRefusesItsCommitStopsTheWrite) {
    Start("937_d_6_4.xml");
    ShowAndConnect();
    SetMapByte("notice_status_3", 0);
    view_.leavePermission = false;
    panel_.ClearExchange();
    dialogs_.Clear();
    session_->Write();
    EXPECT_TRUE(panel_.Exchange().empty());
    EXPECT_TRUE(InformTexts().empty());
    EXPECT_FALSE(view_.busy);
}

TEST_F(EditorSession, ATransferThatBreaksOffReportsWhereAndKeepsTheMap) {
    Start("937_d_6_4.xml");
    SetPanelByte("notice_status_3", 0);
    ShowAndConnect();
    SetPanelByte("notice_status_3", 1);
    panel_.LoseConnectionAfter(200);
    dialogs_.Clear();
    session_->Read();
    ASSERT_EQ(InformTexts().size(), 1u);
    EXPECT_EQ(InformTexts()[0].rfind(Msg(32) + "\n\n", 0), 0u) << InformTexts()[0];
    EXPECT_EQ(view_.Status(), Msg(32));
    EXPECT_EQ(MapByte("notice_status_3"), 0) << "a failed read leaves the values as they were";
    EXPECT_EQ(view_.progress.back(), 0);
    EXPECT_FALSE(view_.busy);

    dialogs_.Clear();
    session_->Write();
    ASSERT_EQ(InformTexts().size(), 1u);
    EXPECT_EQ(InformTexts()[0].rfind(Msg(29) + "\n\n", 0), 0u);
}

// ---------------------------------------------------------------------------------------------------------
// Closing

TEST_F(EditorSession, ClosingAsksOnlyAfterAChange) {
    struct Case {
        bool connected, changed;
        int question;  // 0: none
    } cases[] = {{true, false, 0}, {true, true, 304}, {false, false, 0}, {false, true, 305}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.connected) + std::to_string(c.changed));
        panel_ = sim::TSimPanel();
        dialogs_.Clear();
        Start("937_d_6_4.xml", c.connected);
        ShowAndConnect();
        if (!c.connected) session_->TimerExpired(TEditorTimer::Demo);
        if (c.changed) SetMapByte("notice_status_3", 0);
        dialogs_.Clear();
        if (c.question) dialogs_.ScriptAnswer(TAnswer::No);
        session_->Close();
        std::vector<std::string> asked;
        for (const auto& call : dialogs_.Calls())
            if (call.kind == TKind::Ask) asked.push_back(call.text);
        if (c.question) {
            EXPECT_EQ(asked, std::vector<std::string>{Msg(c.question)});
        } else {
            EXPECT_TRUE(asked.empty());
        }
        EXPECT_FALSE(session_->Connected());
        EXPECT_EQ(session_->CurrentMap(), nullptr);
        session_.reset();
    }
}

TEST_F(EditorSession, YesOnClosingWritesTheChange) {
    Start("937_d_6_4.xml");
    ShowAndConnect();
    SetMapByte("notice_status_3", 0);
    dialogs_.ScriptAnswer(TAnswer::Yes);
    session_->Close();
    EXPECT_EQ(PanelByte("notice_status_3"), 0);
}

// ---------------------------------------------------------------------------------------------------------
// Configuration files

TEST_F(EditorSession, SavingProposesPrefixAndDateAndTheFileOpensAgain) {
    Start("937_d_6_4.xml", false);
    ShowAndConnect();
    session_->TimerExpired(TEditorTimer::Demo);
    SetMapByte("mode_rele", 0x12);
    dialogs_.Clear();
    dialogs_.ScriptSaveFile(dir_ / "conf" / "site");  // typed without an extension
    session_->SaveFile();
    ASSERT_EQ(dialogs_.Calls().back().kind, TKind::ChooseSaveFile);
    EXPECT_EQ(dialogs_.Calls().back().start, dir_ / "conf" / ("Y-649_" + kDate));
    ASSERT_TRUE(fs::exists(dir_ / "conf" / "site.ycfg"));
    EXPECT_EQ(view_.Status(), Msg(5));

    // The file goes back into a fresh demo map, and the caption says where the values come from.
    SetMapByte("mode_rele", 0);
    dialogs_.ScriptOpenFile(dir_ / "conf" / "site.ycfg");
    session_->OpenFile();
    EXPECT_EQ(view_.Status(), Msg(9));
    EXPECT_EQ(MapByte("mode_rele"), 0x12);
    EXPECT_EQ(session_->FileMap(), session_->CurrentMap());
    EXPECT_EQ(view_.caption, FormatTexts(Msg(324), {Msg(500), "dv6_4"}));

    // Saving over it asks first; No leaves the file alone.
    const auto bytes = ReadBytes(dir_ / "conf" / "site.ycfg");
    SetMapByte("mode_rele", 0x33);
    dialogs_.ScriptSaveFile(dir_ / "conf" / "site.ycfg");
    dialogs_.ScriptAnswer(TAnswer::No);
    session_->SaveFile();
    EXPECT_EQ(ReadBytes(dir_ / "conf" / "site.ycfg"), bytes);
}

// A save over files the user may not write (no write bit: read-only for root too) keeps them and says why,
// the file named once; the registration backup saved along with a configuration is no exception.
TEST_F(EditorSession, ARefusedSaveSaysWhyAndLeavesTheFilesAsTheyWere) {
    Start("937_d_3_1.xml");  // system 3: a registration backup goes with each saved configuration
    ShowAndConnect();
    ASSERT_TRUE(session_->Connected());
    view_.backupWithConfiguration = true;
    const fs::path site = dir_ / "conf" / "site.ycfg";
    dialogs_.Clear();
    dialogs_.ScriptSaveFile(site);
    session_->SaveFile();
    ASSERT_EQ(view_.Status(), Msg(5));
    ASSERT_FALSE(view_.autoBackupName.empty());
    const fs::path backup = dir_ / "reg" / view_.autoBackupName;
    ASSERT_TRUE(fs::exists(site) && fs::exists(backup));
    EXPECT_TRUE(InformTexts().empty());
    const auto siteBytes = ReadBytes(site), backupBytes = ReadBytes(backup);
    for (const fs::path& file : {site, backup})
        fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    dialogs_.Clear();
    dialogs_.ScriptSaveFile(site);
    dialogs_.ScriptAnswer(TAnswer::Yes);  // replace it
    session_->SaveFile();
    EXPECT_EQ(view_.Status(), Msg(6));
    EXPECT_EQ(InformTexts(),
              std::vector<std::string>{Msg(6) + "\n\nsaving the configuration file failed: cannot write " +
                                       site.string() + ": Permission denied"});
    EXPECT_EQ(ReadBytes(site), siteBytes);

    // Saved under another name, the configuration is there; its backup, refused, is said to be missing.
    dialogs_.Clear();
    dialogs_.ScriptSaveFile(dir_ / "conf" / "other.ycfg");
    session_->SaveFile();
    EXPECT_TRUE(fs::exists(dir_ / "conf" / "other.ycfg"));
    EXPECT_EQ(InformTexts(),
              std::vector<std::string>{Msg(308) + "\n\nsaving the registration backup failed: cannot write " +
                                       backup.string() + ": Permission denied"});
    EXPECT_EQ(ReadBytes(backup), backupBytes);
}

TEST_F(EditorSession, BrokenOrForeignFilesLeaveTheCurrentMapAlone) {
    Start("937_d_6_4.xml", false);
    ShowAndConnect();
    session_->TimerExpired(TEditorTimer::Demo);
    TZelmoMemoryMap* before = session_->CurrentMap();
    SetMapByte("mode_rele", 0x12);
    // A truncated file, and one of a device no map serves.
    TZelmoMemoryMapImage image = session_->CurrentMap()->BuildImage();
    ASSERT_TRUE(SaveToFile(image, dir_ / "conf" / "whole.ycfg", kConfigFormatBinary));
    auto truncated = ReadBytes(dir_ / "conf" / "whole.ycfg");
    truncated.resize(truncated.size() / 2);
    WriteBytes(dir_ / "conf" / "truncated.ycfg", truncated);
    image.descriptor = TZelmoDescriptor::Make(937, 0x6464, 2, 0, 0);
    ASSERT_TRUE(SaveToFile(image, dir_ / "conf" / "unknown.ycfg", kConfigFormatBinary));
    for (const char* name : {"truncated.ycfg", "unknown.ycfg", "missing.ycfg"}) {
        SCOPED_TRACE(name);
        dialogs_.ScriptOpenFile(dir_ / "conf" / name);
        session_->OpenFile();
        EXPECT_EQ(view_.Status(), Msg(10));
        // The box says why, under the message.
        ASSERT_FALSE(InformTexts().empty());
        EXPECT_EQ(InformTexts().back().rfind(Msg(10) + "\n\n", 0), 0u) << InformTexts().back();
        EXPECT_EQ(session_->CurrentMap(), before);
        EXPECT_EQ(MapByte("mode_rele"), 0x12);
    }
}

TEST_F(EditorSession, AFileOpenedInDemoIsOfferedToTheNextPanel) {
    // A file of the 6.3 map, which the map list declares compatible with 6.4 panels.
    {
        TZelmoMemoryMap fileMap(kMaps / "937_d_6_3.xml");
        fileMap.ConfigBlock("mode_rele").ValueBytes()[0] = 0x12;
        ASSERT_TRUE(SaveToFile(fileMap.BuildImage(), dir_ / "conf" / "old.ycfg", kConfigFormatBinary));
    }
    for (const TAnswer answer : {TAnswer::No, TAnswer::Yes}) {
        SCOPED_TRACE(answer == TAnswer::Yes ? "Yes" : "No");
        panel_ = sim::TSimPanel();
        Start("937_d_6_4.xml", false);
        ShowAndConnect();
        session_->TimerExpired(TEditorTimer::Demo);
        dialogs_.ScriptOpenFile(dir_ / "conf" / "old.ycfg");
        session_->OpenFile();
        ASSERT_EQ(view_.Status(), Msg(9));

        plugged_ = true;
        SetPanelByte("mode_rele", 0x21);
        dialogs_.Clear();
        dialogs_.ScriptAnswer(answer);
        session_->SelectOnline();
        session_->Connect();
        ASSERT_EQ(dialogs_.Calls().at(0).kind, TKind::Ask);
        EXPECT_EQ(dialogs_.Calls().at(0).text, Msg(320));
        ASSERT_TRUE(session_->Connected());
        // No: the file's values, carried onto the device's map; Yes: what the device holds.
        EXPECT_EQ(MapByte("mode_rele"), answer == TAnswer::Yes ? 0x21 : 0x12);
        EXPECT_EQ(session_->CurrentMap()->file.filename(), "937_d_6_4.xml");
        // Kept values are not the panel's: they count as changes until written.
        EXPECT_EQ(session_->CurrentMap()->AnyModified(), answer == TAnswer::No);
        session_.reset();
    }
}

TEST_F(EditorSession, OpeningAFileWhileConnectedAsksBeforeTakingIt) {
    Start("937_d_6_4.xml");
    ShowAndConnect();
    TZelmoMemoryMap fileMap(kMaps / "937_d_6_4.xml");
    fileMap.ConfigBlock("mode_rele").ValueBytes()[0] = 0x12;
    ASSERT_TRUE(SaveToFile(fileMap.BuildImage(), dir_ / "conf" / "f.ycfg", kConfigFormatBinary));
    const std::string caption = view_.caption;

    dialogs_.ScriptOpenFile(dir_ / "conf" / "f.ycfg");
    dialogs_.ScriptAnswer(TAnswer::No);
    session_->OpenFile();
    EXPECT_EQ(dialogs_.Calls().back().text, Msg(322));
    EXPECT_EQ(view_.Status(), Msg(7));
    EXPECT_EQ(view_.caption, caption);
    EXPECT_NE(MapByte("mode_rele"), 0x12);
    EXPECT_EQ(session_->FileMap(), nullptr);

    dialogs_.ScriptOpenFile(dir_ / "conf" / "f.ycfg");
    dialogs_.ScriptAnswer(TAnswer::Yes);
    session_->OpenFile();
    EXPECT_EQ(view_.Status(), Msg(9));
    EXPECT_EQ(MapByte("mode_rele"), 0x12);
    EXPECT_TRUE(session_->Connected());
}

// ---------------------------------------------------------------------------------------------------------
// The user's work on every ordinary path

// What the panel holds of a block, as bytes.
std::vector<std::uint8_t> Held(const sim::TSimPanel& panel, TZelmoMemoryMap& map, const std::string& name) {
    const TConfigBlockBase& b = map.ConfigBlock(name);
    return {panel.Memory().begin() + b.Address, panel.Memory().begin() + b.Address + b.Size};
}

// Each path an installer takes, ending in what the panel holds: values shown to the user are the values
// written, changes are never dropped without a question, and a change that cannot be kept keeps the window.
TEST_F(EditorSession, NoOrdinaryPathLosesTheUsersWork) {
    // A site's file: its relay modes, its relay module and its codes differ from the factory's and from the
    // panel's own.
    const std::vector<std::uint8_t> siteModule = {1, 0, 0, 0, 0, 0, 0, 0};
    {
        TZelmoMemoryMap site(kMaps / "937_d_6_4.xml");
        site.ConfigBlock("mode_rele").ValueBytes()[0] = 0x12;
        auto& module = site.ConfigBlock("adr_mr");
        std::copy(siteModule.begin(), siteModule.end(), module.ValueBytes());
        site.ConfigBlock("codes").ValueBytes()[0] = 0x85;
        ASSERT_TRUE(SaveToFile(site.BuildImage(), dir_ / "conf" / "site.ycfg", kConfigFormatBinary));
    }
    // The panel, with relay modes of its own (0x21).
    const auto start = [&](bool attached) {
        Start("937_d_6_4.xml", attached);
        SetPanelByte("mode_rele", 0x21);
    };
    const auto demo = [&] {
        start(false);
        ShowAndConnect();
        session_->TimerExpired(TEditorTimer::Demo);
    };
    const auto connect = [&](TAnswer to320) {
        plugged_ = true;
        dialogs_.ScriptAnswer(to320);
        session_->SelectOnline();
        session_->Connect();
        ASSERT_TRUE(session_->Connected());
    };
    const auto openSite = [&] {
        dialogs_.ScriptOpenFile(dir_ / "conf" / "site.ycfg");
        session_->OpenFile();
    };
    struct TScenario {
        const char* what;
        std::function<void()> run;
        std::vector<std::string> asked;             // catalogue texts, in order
        std::map<std::string, std::uint8_t> panel;  // first byte of each block afterwards
        bool closed;                                // the scenario ends with the window closed
    };
    const std::uint8_t factoryRelays =
        TZelmoMemoryMap(kMaps / "937_d_6_4.xml").ConfigBlock("mode_rele").Factory[0];
    const std::vector<TScenario> scenarios = {
        {"a file, Connect, No to reading, Write",
         [&] {
             demo();
             openSite();
             connect(TAnswer::No);
             EXPECT_TRUE(session_->Write());
             EXPECT_EQ(Held(panel_, *panelMap_, "adr_mr"), siteModule);
         },
         {Msg(320)},
         {{"mode_rele", 0x12}, {"codes", 0x85}},
         false},
        {"edits without a panel, a failed Connect, Connect, No, Write",
         [&] {
             demo();
             SetMapByte("mode_rele", 0x12);
             session_->SelectOnline();
             session_->Connect();  // nothing plugged in
             session_->TimerExpired(TEditorTimer::Demo);
             ASSERT_EQ(MapByte("mode_rele"), 0x12) << "the failed Connect dropped the edit";
             connect(TAnswer::No);
             EXPECT_TRUE(session_->Write());
         },
         {Msg(320)},
         {{"mode_rele", 0x12}},
         false},
        {"a refused page on closing: Yes keeps the window, No lets it close",
         [&] {
             start(true);
             ShowAndConnect();
             SetMapByte("mode_rele", 0x12);
             view_.leavePermission = false;  // a password the page refuses
             dialogs_.ScriptAnswer(TAnswer::Yes);
             EXPECT_FALSE(session_->Close());
             EXPECT_TRUE(session_->Connected());
             ASSERT_NE(session_->CurrentMap(), nullptr);
             EXPECT_EQ(MapByte("mode_rele"), 0x12);
             dialogs_.ScriptAnswer(TAnswer::No);
             EXPECT_TRUE(session_->Close());
         },
         {Msg(304), Msg(304)},
         {{"mode_rele", 0x21}},
         true},
        {"no panel, Yes to saving, the save called off: the window stays",
         [&] {
             demo();
             SetMapByte("mode_rele", 0x12);
             dialogs_.ScriptAnswer(TAnswer::Yes);
             dialogs_.ScriptSaveFile(std::nullopt);
             EXPECT_FALSE(session_->Close());
             ASSERT_NE(session_->CurrentMap(), nullptr);
             EXPECT_EQ(MapByte("mode_rele"), 0x12);
         },
         {Msg(305)},
         {{"mode_rele", 0x21}},
         false},
        {"only a password changed, then closing",
         [&] {
             start(true);
             ShowAndConnect();
             TMainSettings main = ReadMainSettings(*session_->CurrentMap());
             main.operatorPassword = "907";
             ASSERT_EQ(WriteMainSettings(*session_->CurrentMap(), main), 0);
             dialogs_.ScriptAnswer(TAnswer::Yes);
             EXPECT_TRUE(session_->Close());
             EXPECT_EQ(Held(panel_, *panelMap_, "user_pw"),
                       (std::vector<std::uint8_t>{0x89, 0x80, 0x87, 0xFF, 0xFF, 0xFF}));
         },
         {Msg(304)},
         {{"mode_rele", 0x21}},
         true},
        {"factory settings, then closing",
         [&] {
             start(true);
             ShowAndConnect();
             session_->FactorySettings();
             EXPECT_EQ(view_.Status(), Msg(911));
             dialogs_.ScriptAnswer(TAnswer::Yes);
             EXPECT_TRUE(session_->Close());
         },
         {Msg(304)},
         {{"mode_rele", factoryRelays}},
         true},
        {"a file applied to the panel's configuration, then closing",
         [&] {
             start(true);
             ShowAndConnect();
             dialogs_.ScriptAnswer(TAnswer::Yes);  // 322
             openSite();
             dialogs_.ScriptAnswer(TAnswer::Yes);  // 304
             EXPECT_TRUE(session_->Close());
         },
         {Msg(322), Msg(304)},
         {{"mode_rele", 0x12}, {"codes", 0x85}},
         true},
    };
    for (const auto& sc : scenarios) {
        SCOPED_TRACE(sc.what);
        panel_ = sim::TSimPanel();
        dialogs_.Clear();
        view_.leavePermission = true;
        sc.run();
        EXPECT_EQ(dialogs_.Texts(TKind::Ask), sc.asked);
        for (const auto& [block, value] : sc.panel)
            EXPECT_EQ(PanelByte(block), value) << block;
        if (sc.closed) {
            EXPECT_EQ(session_->CurrentMap(), nullptr) << "the window did not close";
        }
        session_.reset();
    }
}

// Choosing Online while a panel is connected leaves its commands as they are.
TEST_F(EditorSession, OnlineWhileConnectedKeepsTheLinksCommands) {
    Start("937_d_6_4.xml");
    ShowAndConnect();
    ASSERT_TRUE(session_->Connected());
    session_->SelectOnline();
    for (auto c : {TEditorCommand::Disconnect, TEditorCommand::Read, TEditorCommand::Write})
        EXPECT_TRUE(view_.On(c));
    EXPECT_FALSE(view_.On(TEditorCommand::Connect));
}

// ---------------------------------------------------------------------------------------------------------
// Factory settings

TEST_F(EditorSession, FactorySettingsMarkTheFirstStartUnlessThePanelHasDoneIt) {
    for (const std::uint8_t flag : {std::uint8_t{'Z'}, std::uint8_t{'A'}}) {
        SCOPED_TRACE(flag);
        panel_ = sim::TSimPanel();
        Start("937_d_6_4.xml");
        SetPanelByte("flag_1st_on", flag);
        SetPanelByte("mode_rele", 0x21);
        ShowAndConnect();
        session_->FactorySettings();
        const std::uint8_t factoryFlag = panelMap_->ConfigBlock("flag_1st_on").Factory[0];
        EXPECT_EQ(MapByte("flag_1st_on"), flag == 'Z' ? factoryFlag : 'U');
        EXPECT_EQ(MapByte("mode_rele"), panelMap_->ConfigBlock("mode_rele").Factory[0]);
        EXPECT_EQ(PanelByte("mode_rele"), 0x21) << "nothing is written until Write";
        session_.reset();
    }
}

// ---------------------------------------------------------------------------------------------------------
// Registration backups of an output module

TEST_F(EditorSession, ABackupCarriesObjectAndAddressInItsNameAndHeader) {
    Start("66_e_3_0.xml");
    ShowAndConnect();
    ASSERT_TRUE(session_->Connected());
    EXPECT_EQ(view_.trees.back(), "Y-UOP");
    EXPECT_FALSE(view_.On(TEditorCommand::FactorySettings));
    view_.page = "YBackupTS";
    session_->BackupPageShown();
    EXPECT_FALSE(view_.On(TEditorCommand::Read));
    session_->BackupCreate();
    EXPECT_TRUE(view_.On(TEditorCommand::Read));
    dialogs_.Clear();
    session_->Read();
    EXPECT_EQ(InformTexts(), std::vector<std::string>{Msg(299)});
    EXPECT_TRUE(view_.backup.objectNumberEnabled);
    EXPECT_TRUE(view_.On(TEditorCommand::FileSave));

    // Nothing is saved without both fields.
    session_->BackupPage().objectNumber = "12";
    session_->SaveFile();
    EXPECT_EQ(dialogs_.Calls().back().text, Msg(287));
    session_->BackupPage().address = 3;
    session_->SaveFile();
    const std::string name = "Y-UOP66_3_" + kDate + "_object_12.rrg";
    ASSERT_TRUE(fs::exists(dir_ / "reg" / name));
    EXPECT_EQ(view_.backup.fileName, name);
    TZelmoMemoryMapImage image = TZelmoMemoryMap(kMaps / "66_e_3_0.xml").BuildImage();
    ASSERT_TRUE(LoadBackupFile(image, dir_ / "reg" / name));
    EXPECT_EQ(BackupOwner(image), (TBackupOwner{12, 3}));

    // Restoring: a file of another device is refused before it is read; this one opens and writes back.
    session_->BackupRestore();
    EXPECT_TRUE(view_.On(TEditorCommand::FileOpen));
    fs::copy_file(dir_ / "reg" / name, dir_ / "reg" / "Z937-1_foreign.rrg");
    dialogs_.ScriptOpenFile(dir_ / "reg" / "Z937-1_foreign.rrg");
    session_->OpenFile();
    EXPECT_EQ(view_.Status(), Msg(307));
    dialogs_.ScriptOpenFile(dir_ / "reg" / name);
    session_->OpenFile();
    EXPECT_EQ(view_.Status(), Msg(299));
    EXPECT_EQ(view_.backup.objectNumber, "12");
    EXPECT_EQ(view_.backup.address, 3);
    EXPECT_TRUE(view_.On(TEditorCommand::Write));
    session_->Write();
    EXPECT_EQ(view_.Status(), Msg(302));

    // Deleting asks with the file's name.
    dialogs_.ScriptOpenFile(dir_ / "reg" / name);
    dialogs_.ScriptAnswer(TAnswer::Yes);
    session_->BackupDelete();
    EXPECT_EQ(view_.Status(), Msg(292));
    EXPECT_FALSE(fs::exists(dir_ / "reg" / name));
}

// Deleting a registration backup asks with No as the default button: Enter keeps the file.
TEST_F(EditorSession, DeletingABackupTakesAYesAndNoIsTheDefault) {
    Start("937_d_6_4.xml", false);
    const fs::path file = dir_ / "reg" / "Y-649_10122026.rrg";
    struct Case {
        TAnswer answer;
        bool deleted;
        int status;
    } cases[] = {{TAnswer::No, false, 7}, {TAnswer::Cancel, false, 7}, {TAnswer::Yes, true, 292}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        WriteBytes(file, {1, 2, 3});
        dialogs_.Clear();
        dialogs_.ScriptOpenFile(file);
        dialogs_.ScriptAnswer(c.answer);
        session_->BackupDelete();
        ASSERT_EQ(dialogs_.Count(TKind::Ask), 1u);
        const auto& asked = dialogs_.Calls().back();
        EXPECT_EQ(asked.text, FormatTexts(Msg(293), {file.filename().string()}));
        EXPECT_TRUE(asked.defaultNo);
        EXPECT_EQ(fs::exists(file), !c.deleted);
        EXPECT_EQ(view_.Status(), Msg(c.status));
    }
}

// ---------------------------------------------------------------------------------------------------------
// Help

TEST_F(EditorSession, HelpOpensOnceInTenSecondsAndSaysWhenThereIsNone) {
    Start("937_d_6_4.xml", false);
    session_->Help();
    EXPECT_EQ(dialogs_.Calls().back().text, Msg(346));
    WriteBytes(dir_ / "help" / "Mirca-Y_ru.html", {'x'});
    session_->Help();
    session_->Help();
    EXPECT_EQ(opened_, std::vector<std::string>{(dir_ / "help" / "Mirca-Y_ru.html").string()});
    EXPECT_EQ(view_.timers[TEditorTimer::Help], 10000);
    session_->TimerExpired(TEditorTimer::Help);
    session_->Help();
    EXPECT_EQ(opened_.size(), 2u);
}

}  // namespace
}  // namespace mirca
