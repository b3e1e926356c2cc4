// The firmware window's session against the in-process panel, with a recording view and scripted dialogs:
// connecting, the listing that follows the device, the write with its questions, the configuration saved
// before the update, the refresh afterwards, and the failures on the way.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/failure.h"
#include "base/stopsignals.h"
#include "base/textformat.h"
#include "base/userfile.h"
#include "devlink/crc.h"
#include "firmware/firmwaresession.h"
#include "memmap/configsession.h"
#include "memmap/files.h"
#include "memmap/memmap.h"
#include "sim/factoryimage.h"
#include "tests/devlink_rig.h"
#include "tests/firmware_images.h"
#include "tests/gui_dialogs.h"
#include "tests/panelports.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using TKind = TScriptedDialogs::TKind;
using TAnswer = IDialogService::TAnswer;
using Bytes = std::vector<std::uint8_t>;

const fs::path kMaps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";
const std::string kStamp = "20261210_120000";

class TRecordingView : public IFirmwareView {
public:
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void ShowMode(TFirmwareMode m) override { mode = m; }
    void ShowLink(bool connected) override { linkShown = connected; }
    void Enable(TFirmwareCommand command, bool on) override { enabled[command] = on; }
    void ShowFiles(const std::vector<TFirmwareFileRow>& rows) override {
        files.clear();
        for (const auto& r : rows)
            files.push_back(r.name);
    }
    void ShowDevice(const std::optional<TFirmwareDeviceRow>& row) override { device = row; }
    void SetProgress(int percent) override { progress.push_back(percent); }
    IProgress* TransferProgress() override { return transfer; }
    void SetBusy(bool on) override { busy = on; }
    void StartHelpTimer(int ms) override { helpTimer = ms; }
    std::string Text(TFirmwareText text) const override {
        return text == TFirmwareText::FileFilter ? "Файлы ПО (*.tsk)|*.tsk" : "Окно открытия файла";
    }
    bool On(TFirmwareCommand c) const {
        const auto it = enabled.find(c);
        return it != enabled.end() && it->second;
    }

    std::vector<std::string> statuses;
    std::optional<TFirmwareMode> mode;
    bool linkShown = false;
    std::map<TFirmwareCommand, bool> enabled;
    std::vector<std::string> files;
    std::optional<TFirmwareDeviceRow> device;
    std::vector<int> progress;
    bool busy = false;
    int helpTimer = 0;
    IProgress* transfer = nullptr;
};

using testing_firmware::PanelImage;

class FirmwareSession : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        Catalogue().LoadCatalogue(kMaps / "Messages.xml", "RU", "");
        fs::create_directories(dir_ / "base");
        fs::create_directories(dir_ / "conf");
    }

    // A panel with the named map's factory memory (or the given identity), the session, shown and connected.
    void Start(const std::string& mapName, std::optional<sim::TPanelIdentity> identity = std::nullopt) {
        if (!mapName.empty()) {
            panelMap_ = std::make_unique<TZelmoMemoryMap>(kMaps / mapName);
            sim::LoadFactoryMap(panel_, *panelMap_);
        }
        if (identity) panel_.SetIdentity(*identity);
        auto link =
            std::make_unique<TPanelLink>(std::make_unique<TPluggablePort>(panel_, clock_, plugged_), clock_);
        TFirmwareServices services;
        services.stamp = [] { return kStamp; };
        services.backupBeforeUpdate = backup_;
        services.language = "EN";
        session_ = std::make_unique<TFirmwareSession>(
            view_, dialogs_, std::move(link), clock_,
            TFirmwarePaths{dir_, dir_ / "base", maps_, dir_ / "conf"}, services);
        session_->Shown();
        session_->Connect();
    }
    void AddFile(const std::string& name, const Bytes& bytes) { WriteBytes(dir_ / "base" / name, bytes); }
    std::optional<std::size_t> Row(const std::string& name) {
        const auto& files = session_->Files();
        for (std::size_t i = 0; i < files.size(); ++i)
            if (files[i].name == name) return i;
        return std::nullopt;
    }
    std::uint8_t PanelByte(const std::string& block) {
        return panel_.Memory().at(panelMap_->ConfigBlock(block).Address);
    }
    // The catalogue texts of the boxes and questions, in order.
    std::vector<std::string> Boxes() { return dialogs_.Texts(TKind::Inform); }
    std::vector<std::string> Questions() { return dialogs_.Texts(TKind::Ask); }
    // Set-mode codes the panel received after the connection.
    std::vector<std::uint8_t> Modes() { return panel_.ModeChanges(); }

    sim::TSimPanel panel_;
    TVirtualClock clock_;
    bool plugged_ = true;
    bool backup_ = true;
    fs::path maps_ = kMaps;
    std::unique_ptr<TZelmoMemoryMap> panelMap_;
    TRecordingView view_;
    TScriptedDialogs dialogs_;
    std::unique_ptr<TFirmwareSession> session_;
};

TEST_F(FirmwareSession, ConnectShowsTheDeviceAndListsOnlyItsFiles) {
    AddFile("937_s3.tsk", PanelImage(3, 1, 0));
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    AddFile("Y-PCN_s1.tsk", PanelImage(1, 2, 0));
    Start("937_d_6_4.xml");
    ASSERT_TRUE(session_->Connected());
    EXPECT_EQ(view_.files, std::vector<std::string>{"Y-PCN_6_4_12.tsk"});
    ASSERT_TRUE(view_.device);
    EXPECT_EQ(view_.device->caption, Msg(500));
    EXPECT_EQ(view_.device->version, "dv6_4");
    EXPECT_EQ(view_.statuses.back(), Msg(24));
    EXPECT_TRUE(view_.linkShown);
    EXPECT_TRUE(view_.On(TFirmwareCommand::Write));
    EXPECT_TRUE(session_->YPanel());
    EXPECT_EQ(dialogs_.Calls().size(), 0u);
}

TEST_F(FirmwareSession, NoPanelIsReportedAndTheWindowStaysOnline) {
    plugged_ = false;
    Start("");
    EXPECT_EQ(Boxes(), std::vector<std::string>{Msg(13)});
    EXPECT_EQ(view_.statuses.back(), Msg(13));
    EXPECT_EQ(session_->Mode(), TFirmwareMode::Online);
    EXPECT_FALSE(view_.On(TFirmwareCommand::Write));
}

TEST_F(FirmwareSession, WriteWithoutSelectionWarnsAndSendsNothing) {
    Start("937_d_6_4.xml");
    panel_.ClearExchange();
    session_->Write(std::nullopt);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Msg(160)});
    EXPECT_TRUE(panel_.Exchange().empty());
    EXPECT_TRUE(session_->Connected());
}

// A minor update of a system-6 panel: the configuration saved first, the image, the refresh.
TEST_F(FirmwareSession, MinorUpdateSavesTheConfigurationThenWritesAndRefreshes) {
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    Start("937_d_6_4.xml");
    // The panel's own settings: one the backup must hold, and the first-start note the refresh keeps.
    const std::uint32_t language = panelMap_->ConfigBlock("language").Address;
    panel_.Memory().at(panelMap_->ConfigBlock("flag_1st_on").Address) = 'Z';
    panel_.Memory().at(language) = 2;
    const Bytes before = panel_.Memory();

    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 290
    session_->Write(Row("Y-PCN_6_4_12.tsk"));

    EXPECT_EQ(Questions(), (std::vector<std::string>{Msg(161), Msg(290)}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{Msg(167)});
    ASSERT_TRUE(session_->LastWrite());
    EXPECT_EQ(session_->LastWrite()->result, TFirmwareWriteResult::Written);
    EXPECT_EQ(session_->LastWrite()->refresh, TRefreshResult::Written);

    // The backup: named by the map's prefix and the stamp, read before the image went out, equal to the
    // panel's configuration as it was.
    const fs::path backup = dir_ / "conf" / ("Y-649_before_update_" + kStamp + ".ycfg");
    EXPECT_EQ(session_->LastWrite()->backup, backup);
    TZelmoMemoryMapImage saved;
    ASSERT_TRUE(LoadConfigurationFile(kMaps, backup, saved)) << LastFailureText();
    TZelmoMemoryMap expected(kMaps / "937_d_6_4.xml");
    TZelmoMemoryMapImage& image = expected.BuildImage();
    for (std::int32_t i = 0; i < image.Size(); ++i) {
        if (image.flags[i] & kAccessRead) {
            ASSERT_EQ(saved.data.at(i), before.at(i)) << "address " << i;
        }
    }
    const std::vector<std::uint8_t> modes = Modes();
    const auto firmware = std::find(modes.begin(), modes.end(), 4);
    ASSERT_NE(firmware, modes.end());
    EXPECT_NE(std::find(modes.begin(), firmware, 2), firmware)
        << "the configuration is read before the image";

    // The image arrived whole, padded to blocks; the refresh kept 'Z' and wrote the program's language.
    const Bytes sent = PanelImage(6, 4, 12);
    ASSERT_GE(panel_.Firmware().size(), sent.size());
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), panel_.Firmware().begin()));
    EXPECT_EQ(PanelByte("flag_1st_on"), 'Z');
    EXPECT_EQ(panel_.Memory().at(language), 1);  // EN
    // Disconnected after the attempt; the status line names the backup.
    EXPECT_FALSE(session_->Connected());
    EXPECT_FALSE(view_.device);
    EXPECT_EQ(view_.statuses.back(), FormatTexts(Msg(kMsgBackupSaved), {backup.string()}));
}

TEST_F(FirmwareSession, NoToTheRefreshLeavesTheConfigurationAlone) {
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    backup_ = false;
    Start("937_d_6_4.xml");
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    dialogs_.ScriptAnswer(TAnswer::No);   // 290
    session_->Write(Row("Y-PCN_6_4_12.tsk"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{Msg(167)});
    EXPECT_EQ(Modes(), std::vector<std::uint8_t>{4}) << "only the image was written";
    // The status line counted the image's bytes, padding included, block by block.
    const auto& st = view_.statuses;
    for (const char* sent : {" 0 / 1008", " 252 / 1008", " 1008 / 1008"}) {
        EXPECT_NE(std::find(st.begin(), st.end(), Msg(163) + sent + Msg(269)), st.end()) << sent;
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "conf"));
}

// A major change asks 315 first; No sends nothing and leaves the device's numbers its own, so that a second
// attempt asks again.
TEST_F(FirmwareSession, NoToTheMajorChangeSendsNothingAndAsksAgainNextTime) {
    AddFile("Y-PCN_as_5.tsk", Bytes(PanelImage(5, 0, 1)));
    Start("937_d_6_4.xml");
    AddFile("937_5.tsk", PanelImage(5, 0, 1));
    // Files of system 5 fit a system-6 panel; the listing has the Y-PCN one.
    panel_.ClearExchange();
    dialogs_.ScriptAnswer(TAnswer::No);  // 315
    session_->Write(Row("Y-PCN_as_5.tsk"));
    dialogs_.ScriptAnswer(TAnswer::No);  // 315 again
    session_->Write(Row("Y-PCN_as_5.tsk"));
    EXPECT_EQ(Questions(), (std::vector<std::string>{Msg(315), Msg(315)}));
    EXPECT_TRUE(panel_.Exchange().empty());
    EXPECT_EQ(session_->Link().Device().Major, 6);
    EXPECT_TRUE(session_->Connected());
}

// A major change onto a system without a map: the refresh finds none and sends nothing more.
TEST_F(FirmwareSession, RefreshWithoutMapEndsSilently) {
    sim::TPanelIdentity id;
    id.major = 1;
    id.minor = 2;
    AddFile("937_s2.tsk", PanelImage(2, 0, 0));
    backup_ = false;
    Start("", id);
    ASSERT_EQ(view_.files, std::vector<std::string>{"937_s2.tsk"});
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 315
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 290
    session_->Write(0);
    EXPECT_EQ(Questions(), (std::vector<std::string>{Msg(315), Msg(161), Msg(290)}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{Msg(167)});
    EXPECT_EQ(session_->LastWrite()->refresh, TRefreshResult::NoMap);
    EXPECT_EQ(Modes(), std::vector<std::uint8_t>{4});
}

TEST_F(FirmwareSession, OutputModuleIsWrittenWithoutTheRefreshQuestion) {
    const sim::TPanelIdentity id = testing_rig::LegacyPanel(0x41, 1, 2);
    Bytes image(11 + 64 * 4, 0x11);
    image[0] = 0x41;
    image[1] = 0;
    image[5] = 1;
    image[6] = 3;
    AddFile("m_y-uoo_1_3.tsk", image);
    Start("", id);
    ASSERT_EQ(view_.files, std::vector<std::string>{"m_y-uoo_1_3.tsk"});
    EXPECT_EQ(view_.device->caption, Msg(766));
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    session_->Write(0);
    EXPECT_EQ(Questions(), std::vector<std::string>{Msg(161)});
    EXPECT_EQ(Boxes(), std::vector<std::string>{Msg(167)});
    EXPECT_TRUE(panel_.FirmwareComplete());
    EXPECT_FALSE(session_->Connected());
}

// The image went in, the configuration did not: 29, then not the success box but the warning that says so
// (909), and the panel's settings as they were. A minor update reads the panel's settings before the refresh
// writes; when that read fails, nothing is written over them.
TEST_F(FirmwareSession, FailedRefreshReports29ThenNotRefreshedAndKeepsThePanelsSettings) {
    struct TCase {
        const char* what;
        sim::TFault fault;
    } cases[] = {
        {"write refused",
         {sim::TFaultKind::NonZeroStatus, sim::TReplyKind::WriteStart, 1}},  // not the image's
        {"read unanswered", {sim::TFaultKind::NoReply, sim::TReplyKind::ReadHeader, 0}},
    };
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    backup_ = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        panel_ = sim::TSimPanel();
        dialogs_.Clear();
        Start("937_d_6_4.xml");
        const std::uint32_t language = panelMap_->ConfigBlock("language").Address;
        panel_.Memory().at(language) = 2;
        panel_.InjectFault(c.fault);
        dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
        dialogs_.ScriptAnswer(TAnswer::Yes);  // 290
        session_->Write(0);
        const auto boxes = Boxes();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].rfind(Msg(29), 0), 0u) << boxes[0];
        EXPECT_EQ(boxes[1], Msg(kMsgNotRefreshed));
        EXPECT_EQ(session_->LastWrite()->refresh, TRefreshResult::Failed);
        EXPECT_STREQ(ResultName(*session_->LastWrite()), "written-not-refreshed");
        EXPECT_EQ(panel_.Memory().at(language), 2);
    }
}

TEST_F(FirmwareSession, LinkLostMidImageReports168AndDisconnects) {
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12, 20000));
    backup_ = false;
    Start("937_d_6_4.xml");
    panel_.LoseConnectionAfter(3000);
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    session_->Write(0);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind(Msg(168), 0), 0u) << boxes[0];
    EXPECT_FALSE(session_->Connected());
    EXPECT_FALSE(panel_.FirmwareComplete());
    EXPECT_LT(panel_.Firmware().size(), 20000u);
}

// The panel does not give its configuration: the user is asked whether to go on, No by default.
TEST_F(FirmwareSession, FailedBackupAsksAndNoStopsBeforeTheImage) {
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    Start("937_d_6_4.xml");
    panel_.InjectFault({sim::TFaultKind::NoReply, sim::TReplyKind::ReadHeader, 0});
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    dialogs_.ScriptAnswer(TAnswer::No);   // go on without a backup?
    session_->Write(0);
    const auto questions = Questions();
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[1].rfind(Msg(kMsgBackupFailed), 0), 0u) << questions[1];
    EXPECT_TRUE(dialogs_.Calls()[1].defaultNo);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind(Msg(168), 0), 0u);
    EXPECT_TRUE(panel_.Firmware().empty());
    EXPECT_TRUE(fs::is_empty(dir_ / "conf"));
}

TEST_F(FirmwareSession, OpenFileRefusesMisfitsAndDuplicates) {
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    fs::create_directories(dir_ / "other");
    WriteBytes(dir_ / "other" / "Y-PCN_6_4_12.tsk", PanelImage(6, 4, 13));
    WriteBytes(dir_ / "other" / "system1.tsk", PanelImage(1, 2, 0));
    WriteBytes(dir_ / "other" / "fits.tsk", PanelImage(6, 3, 1));
    Start("937_d_6_4.xml");
    dialogs_.ScriptOpenFile(dir_ / "other" / "system1.tsk");
    session_->OpenFile();
    dialogs_.ScriptOpenFile(dir_ / "other" / "Y-PCN_6_4_12.tsk");
    session_->OpenFile();
    dialogs_.ScriptOpenFile(dir_ / "other" / "fits.tsk");
    session_->OpenFile();
    dialogs_.ScriptOpenFile(std::nullopt);
    session_->OpenFile();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{Msg(268), Msg(151)}));
    EXPECT_EQ(view_.files, (std::vector<std::string>{"Y-PCN_6_4_12.tsk", "fits.tsk"}));
    EXPECT_EQ(session_->Files().back().folder, dir_ / "other");
    EXPECT_EQ(dialogs_.Calls().front().start, dir_ / "base");
}

TEST_F(FirmwareSession, DemoDisablesConnectingAndClosingKeepsTheIdentity) {
    Start("937_d_6_4.xml");
    session_->SelectDemo();
    EXPECT_FALSE(view_.On(TFirmwareCommand::Connect));
    EXPECT_FALSE(view_.On(TFirmwareCommand::Write));
    EXPECT_FALSE(session_->Connected());
    session_->Close();
    EXPECT_TRUE(view_.files.empty());
    EXPECT_EQ(session_->Link().Device().TypeCode, 937);
    EXPECT_EQ(session_->Link().Device().Major, 6);
}

// A framed image of the given edition letter for a type-937 panel.
Bytes EditionImage(char edition, std::uint8_t major, std::uint8_t minor, std::uint8_t build) {
    Bytes b = PanelImage(major, minor, build);
    b[2] = static_cast<std::uint8_t>(edition);
    return b;
}

// An output-module image of type 0x41 with `extra` bytes after its whole blocks.
Bytes ModuleImage(std::size_t blocks, std::size_t extra) {
    Bytes image(11 + 64 * blocks + extra, 0x11);
    image[0] = 0x41;
    image[1] = 0;
    image[5] = 1;
    image[6] = 3;
    return image;
}

// Every question on the way to overwriting a device's firmware has No as its default button, and a No to
// any of them sends nothing at all.
TEST_F(FirmwareSession, EveryQuestionBeforeTheImageDefaultsToNoAndNoSendsNothing) {
    struct TCase {
        const char* what;
        bool module;  // an output module and its image with a part that would be dropped, else an 'e' panel
        std::vector<int> questions;  // catalogue numbers in the order asked
        std::size_t noAt;            // the question answered No
    } cases[] = {
        {"major change", false, {315, kMsgOtherEdition, 161}, 0},
        {"other edition", false, {315, kMsgOtherEdition, 161}, 1},
        {"confirmation", false, {315, kMsgOtherEdition, 161}, 2},
        {"dropped bytes", true, {kMsgDroppedBytes, 161}, 0},
        {"module confirmation", true, {kMsgDroppedBytes, 161}, 1},
    };
    backup_ = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        panel_ = sim::TSimPanel();
        dialogs_.Clear();
        if (c.module) {
            AddFile("m_y-uoo_1_3.tsk", ModuleImage(4, 5));
            Start("", testing_rig::LegacyPanel(0x41, 1, 2));
        } else {
            // A system-5 image of the ordinary edition for an extended system-6 panel.
            AddFile("Y-PCN_d_5.tsk", EditionImage('d', 5, 0, 1));
            Start("937_e_6_4_0.xml");
        }
        ASSERT_TRUE(session_->Connected());
        ASSERT_EQ(session_->Files().size(), 1u);
        panel_.ClearExchange();
        for (std::size_t i = 0; i <= c.noAt; ++i)
            dialogs_.ScriptAnswer(i == c.noAt ? TAnswer::No : TAnswer::Yes);
        session_->Write(0);
        const auto& calls = dialogs_.Calls();
        ASSERT_EQ(calls.size(), c.noAt + 1) << "asked after the No, or a box shown";
        for (std::size_t i = 0; i <= c.noAt; ++i) {
            EXPECT_EQ(calls[i].kind, TKind::Ask);
            EXPECT_EQ(calls[i].text.rfind(Msg(c.questions[i]).substr(0, 12), 0), 0u) << calls[i].text;
            EXPECT_TRUE(calls[i].defaultNo) << "Enter would say Yes to: " << calls[i].text;
        }
        EXPECT_TRUE(panel_.Exchange().empty()) << "something was sent";
        EXPECT_TRUE(panel_.Firmware().empty());
        EXPECT_TRUE(session_->Connected());
        fs::remove_all(dir_ / "base");
        fs::create_directories(dir_ / "base");
    }
}

// The other edition is named in its question with both letters, and the file list marks such a file.
TEST_F(FirmwareSession, OtherEditionIsMarkedAndNamedAndWrittenOnlyOnYes) {
    AddFile("Y-PCN_d.tsk", EditionImage('d', 6, 4, 12));
    AddFile("Y-PCN_e.tsk", EditionImage('e', 6, 4, 12));
    backup_ = false;
    Start("937_e_6_4_0.xml");
    ASSERT_EQ(session_->Files().size(), 2u);
    EXPECT_EQ(session_->Files()[*Row("Y-PCN_d.tsk")].otherEdition, 'd');
    EXPECT_EQ(session_->Files()[*Row("Y-PCN_e.tsk")].otherEdition, 0);
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 905
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    dialogs_.ScriptAnswer(TAnswer::No);   // 290
    session_->Write(Row("Y-PCN_d.tsk"));
    const auto questions = Questions();
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[0], FormatTexts(Msg(kMsgOtherEdition), {"d", "e"}));
    EXPECT_EQ(session_->LastWrite()->result, TFirmwareWriteResult::Written);
    EXPECT_EQ(panel_.Identity().edition & 0xFF, 'd');
}

// The backup is the first panel's or there is none: a map that is not there, a broken one, or another panel
// answering the reconnect all fail it, the question names why, and No leaves the panel untouched.
TEST_F(FirmwareSession, ABackupThatCannotBeTakenAsksAndNoSendsNothing) {
    const auto otherPanel = [](sim::TSimPanel& panel) {
        sim::TPanelIdentity other = panel.Identity();
        other.build = static_cast<std::uint8_t>(other.build + 1);
        panel.SetIdentity(other);
    };
    // The panel connected for the firmware does not answer when it is connected again for its settings: the
    // reason is the framed protocol's, which the panel speaks, not the legacy frames'.
    const auto silent = [](sim::TSimPanel& panel) {
        panel.InjectFault({sim::TFaultKind::NoReply, sim::TReplyKind::Identify, 0});
    };
    struct TCase {
        const char* what;
        void (*breakMaps)(const fs::path& maps);
        std::function<void(sim::TSimPanel&)> afterConnect;
        const char* named;
    } cases[] = {
        {"map not listed",
         [](const fs::path& m) {
             std::string list;
             std::vector<std::uint8_t> bytes;
             ASSERT_TRUE(ReadFileBounded(m / "maplist.xml", 1 << 20, bytes).empty());
             list.assign(bytes.begin(), bytes.end());
             const auto at = list.find("system=\"6\"");
             ASSERT_NE(at, std::string::npos);
             list.replace(at, 10, "system=\"7\"");
             WriteFileAtomically(m / "maplist.xml", Bytes(list.begin(), list.end()));
         },
         nullptr, "names no memory map for this device"},
        {"map missing", [](const fs::path& m) { fs::remove(m / "937_d_6_4.xml"); }, nullptr,
         "937_d_6_4.xml is missing"},
        {"map broken",
         [](const fs::path& m) {
             WriteFileAtomically(m / "937_d_6_4.xml", Bytes{'<', 'm', 'a'});
         },
         nullptr, "memory map is broken"},
        {"another panel", nullptr, otherPanel, "another panel"},
        {"silent on the reconnect", nullptr, silent, ": identify reply: expected"},
    };
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        panel_ = sim::TSimPanel();
        dialogs_.Clear();
        maps_ = dir_ / "maps";
        fs::remove_all(maps_);
        fs::remove_all(dir_ / "conf");
        fs::copy(kMaps, maps_);
        if (c.breakMaps) c.breakMaps(maps_);
        Start("937_d_6_4.xml");
        ASSERT_TRUE(session_->Connected());
        if (c.afterConnect) c.afterConnect(panel_);
        dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
        dialogs_.ScriptAnswer(TAnswer::No);   // write without a backup?
        session_->Write(0);
        const auto questions = Questions();
        ASSERT_EQ(questions.size(), 2u);
        EXPECT_EQ(questions[1].rfind(Msg(kMsgBackupFailed), 0), 0u) << questions[1];
        EXPECT_NE(questions[1].find(c.named), std::string::npos) << questions[1];
        EXPECT_EQ(questions[1].find("legacy"), std::string::npos) << questions[1];
        EXPECT_TRUE(dialogs_.Calls()[1].defaultNo);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].rfind(Msg(168) + " " + Msg(kMsgNothingSent), 0), 0u) << Boxes()[0];
        EXPECT_EQ(session_->LastWrite()->result, TFirmwareWriteResult::NotSent);
        EXPECT_STREQ(ResultName(*session_->LastWrite()), "not-sent");
        EXPECT_TRUE(panel_.Firmware().empty());
        EXPECT_TRUE(!fs::exists(dir_ / "conf") || fs::is_empty(dir_ / "conf")) << "a backup was saved";
    }
}

// A stop signal while the image goes out: the image is finished all the same, the refresh is not begun and
// no box waits for a user; the report says which signal came.
TEST_F(FirmwareSession, AStopDuringTheImageFinishesItAndSkipsTheRefresh) {
    struct TStopOnce final : IProgress {
        void SetMax(std::uint32_t) override {}
        void Advance() override {
            if (++advanced == 2) DeliverStopForTests(SIGTERM);
        }
        int advanced = 0;
    } stopper;
    view_.transfer = &stopper;
    AddFile("Y-PCN_6_4_12.tsk", PanelImage(6, 4, 12, 5000));
    backup_ = false;
    Start("937_d_6_4.xml");
    const std::uint32_t pw = panelMap_->ConfigBlock("user_pw").Address;
    panel_.Memory().at(pw) = 0x89;
    dialogs_.ScriptAnswer(TAnswer::Yes);  // 161
    session_->Write(0);
    ClearStopForTests();
    ASSERT_TRUE(session_->LastWrite());
    const TFirmwareWriteReport& report = *session_->LastWrite();
    EXPECT_EQ(report.interrupted, SIGTERM);
    EXPECT_EQ(report.result, TFirmwareWriteResult::Written);
    EXPECT_EQ(report.refresh, TRefreshResult::NotRun);
    EXPECT_STREQ(ResultName(report), "written-not-refreshed");
    EXPECT_EQ(InterruptedAfterImageText(report),
              "interrupted after the image was written; the configuration was not refreshed");
    EXPECT_GT(stopper.advanced, 2) << "the transfer went on after the stop";
    EXPECT_TRUE(panel_.FirmwareComplete());
    EXPECT_EQ(panel_.Memory().at(pw), 0x89) << "the refresh ran";
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Questions(), std::vector<std::string>{Msg(161)}) << "290 was asked";
}

// The refresh's first-switch-on note: kept only after a minor update of a system-6 panel that had done its
// first start ('Z'); every other case marks it pending ('U'). The factory-marked settings are reset in
// every case.
TEST_F(FirmwareSession, RefreshSetsTheFirstStartNoteByChangeAndPanel) {
    TZelmoMemoryMap map(kMaps / "937_d_6_4.xml");
    const TConfigBlockBase& flag = map.ConfigBlock("flag_1st_on");
    const TConfigBlockBase& pw = map.ConfigBlock("user_pw");
    const TConfigBlockBase& language = map.ConfigBlock("language");
    const Bytes factoryPw = pw.Factory;
    for (const bool major : {false, true}) {
        for (const bool yPanel : {true, false}) {
            for (const std::uint8_t stored : {std::uint8_t{'Z'}, std::uint8_t{'U'}, std::uint8_t{0xFF}}) {
                SCOPED_TRACE(std::string(major ? "major" : "minor") +
                             (yPanel ? ", Y panel" : ", other panel") + ", stored " + std::to_string(stored));
                sim::TSimPanel panel;
                sim::LoadFactoryMap(panel, map);
                panel.Memory().at(flag.Address) = stored;
                panel.Memory().at(pw.Address) = 0x89;
                TPanelLink link(std::make_unique<TPluggablePort>(panel, clock_, plugged_), clock_);
                ASSERT_EQ(link.OpenPort(), TLinkOutcome::Connected);
                ASSERT_EQ(link.ConnectDevice(TZelmoDevice::kModeFirmware), TLinkOutcome::Connected);
                const auto result = RefreshConfiguration(
                    link, kMaps, TZelmoDescriptor::FromDevice(link.Device()), major, yPanel, 2, nullptr);
                ASSERT_EQ(result, TRefreshResult::Written) << LastFailureText();
                const std::uint8_t expected = (!major && yPanel && stored == 'Z') ? 'Z' : 'U';
                EXPECT_EQ(panel.Memory().at(flag.Address), expected);
                EXPECT_TRUE(
                    std::equal(factoryPw.begin(), factoryPw.end(), panel.Memory().begin() + pw.Address));
                EXPECT_EQ(panel.Memory().at(language.Address), 2);
            }
        }
    }
}

}  // namespace
}  // namespace mirca
