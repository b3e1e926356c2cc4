// The firmware window's session against the in-process panel, with a recording view and scripted dialogs:
// connecting, the listing that follows the device, the write with its questions, the configuration saved
// before the update, the refresh afterwards, and the failures on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/failure.h"
#include "base/textformat.h"
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
    IProgress* TransferProgress() override { return nullptr; }
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
            TFirmwarePaths{dir_, dir_ / "base", kMaps, dir_ / "conf"}, services);
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

}  // namespace
}  // namespace mirca
