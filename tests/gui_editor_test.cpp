// The configuration editor's window on the offscreen platform, over the in-process panel: finding the panel,
// demo, the tree and its pages, reading and writing, closing, the registration backup page.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/failure.h"
#include "base/textformat.h"
#include "editor/editorpages.h"
#include "editor/objecttable.h"
#include "editor/settingsrules.h"
#include "editor/sysoutspage.h"
#include "editor/tabsheets.h"
#include "editor/zdevsettingsform.h"
#include "memmap/block.h"
#include "memmap/configsession.h"
#include "memmap/memmap.h"
#include "memmap/records.h"
#include "sim/factoryimage.h"
#include "tests/gui_app.h"
#include "tests/gui_dialogs.h"
#include "tests/objectconfig.h"
#include "tests/panelports.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using TKind = TScriptedDialogs::TKind;
using TAnswer = IDialogService::TAnswer;

const testing::Environment* const kGuiApplication = testing::AddGlobalTestEnvironment(new TGuiApplication);
const fs::path kBin = MIRCA_BIN_DIR;
const std::string kDate = "10122026";

// A press and release on a point of an item view's viewport, twice for a double click.
void Click(QWidget* viewport, QPoint at, bool twice = false) {
    const QPointF local(at);
    const QPointF global(viewport->mapToGlobal(at));
    const auto send = [&](QEvent::Type type) {
        QMouseEvent event(type, local, global, Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    };
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    if (twice) {
        send(QEvent::MouseButtonDblClick);
        send(QEvent::MouseButtonRelease);
    }
}

void ClickCell(QAbstractItemView* grid, int row, int column) {
    Click(grid->viewport(), grid->visualRect(grid->model()->index(row, column)).center());
}

class EditorWindow : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "RU", "");
        setPath_ = kBin / "drv_base";
    }
    void TearDown() override {
        if (form_ && form_->isVisible()) form_->close();
        form_.reset();
        TTestFolder::TearDown();
    }

    // The window over the in-process panel loaded with the named map's factory memory; nothing is shown yet.
    void Make(const std::string& mapName, bool attached = true, bool crowded = false) {
        panelMap_ = std::make_unique<TZelmoMemoryMap>(kBin / "drv_base" / mapName);
        sim::TPanelIdentity id = panel_.Identity();
        id.framed = panelMap_->devtype < 64 || panelMap_->devtype > 67;
        panel_.SetIdentity(id);
        sim::LoadFactoryMap(panel_, *panelMap_);
        plugged_ = attached;
        TEditorSetup setup;
        setup.dialogs = &dialogs_;
        setup.paths = [this] { return TEditorPaths{kBin, setPath_, dir_ / "conf", dir_ / "reg"}; };
        setup.link = [this, crowded]() -> std::unique_ptr<TPanelLink> {
            if (crowded) return std::make_unique<TPanelLink>(std::make_unique<TCrowdedPort>(), clock_);
            return std::make_unique<TPanelLink>(std::make_unique<TPluggablePort>(panel_, clock_, plugged_),
                                                clock_);
        };
        setup.sleeper = &clock_;
        setup.services.dateStamp = [] { return kDate; };
        setup.services.openUrl = [](const std::string&) { return true; };
        form_ = std::make_unique<TZDevSettingsForm>(std::move(setup));
    }
    // Shows the window and waits until the online timer has run and the session has settled.
    void ShowAndWait(const std::function<bool()>& settled) {
        form_->show();
        ASSERT_TRUE(WaitFor(settled));
    }
    std::string Panel(int i) const {
        return form_->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i))->text().toStdString();
    }
    bool Connected() const { return Panel(5) == Msg(25); }
    bool On(const char* action) const {
        return form_->findChild<QAction*>(QString::fromLatin1(action))->isEnabled();
    }
    void Trigger(const char* action) { form_->findChild<QAction*>(QString::fromLatin1(action))->trigger(); }
    QTreeWidget* Tree() const { return form_->findChild<QTreeWidget*>(QStringLiteral("DevSettingsTV")); }
    std::vector<std::string> TopNodes() const {
        std::vector<std::string> nodes;
        for (int i = 0; i < Tree()->topLevelItemCount(); ++i)
            nodes.push_back(Tree()->topLevelItem(i)->text(0).toStdString());
        return nodes;
    }
    // Selects tree nodes in order until the named page is on screen.
    bool SelectPage(const std::string& page) {
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            Tree()->setCurrentItem(*it);
            if (form_->VisiblePage() == page) return true;
        }
        return false;
    }
    QComboBox* Combo(const char* name) const {
        return form_->findChild<QComboBox*>(QString::fromLatin1(name));
    }
    std::uint8_t& PanelByte(const std::string& block) {
        return panel_.Memory().at(panelMap_->ConfigBlock(block).Address);
    }
    std::vector<std::string> Texts(TKind kind) const { return dialogs_.Texts(kind); }
    std::uint8_t* PanelBytes(const std::string& block) { return &PanelByte(block); }
    template <typename W>
    W* Find(const char* name) const {
        return form_->findChild<W*>(QString::fromLatin1(name));
    }
    // Moves the focus as a click on another control would.
    void ClickAway() { Tree()->setFocus(Qt::MouseFocusReason); }
    // A click on the node below the selected one, as the user makes it: the press moves the focus to the
    // tree first, then selects the node. True when the selection stays on the node it was on, alone.
    bool ClickOnNextNodeKeepsTheSelection() {
        QTreeWidgetItem* const own = Tree()->currentItem();
        QTreeWidgetItem* const other = Tree()->itemBelow(own);
        ClickAway();
        Click(Tree()->viewport(), Tree()->visualItemRect(other).center());
        QCoreApplication::processEvents();
        return Tree()->currentItem() == own && Tree()->selectedItems() == QList<QTreeWidgetItem*>{own};
    }
    // Selects a node whose page is not the one on screen; false when the page refused to be left.
    bool LeavePage() {
        const std::string page = form_->VisiblePage();
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            if (*it == Tree()->currentItem() || (*it)->childCount() > 0) continue;
            Tree()->setCurrentItem(*it);
            return form_->VisiblePage() != page;
        }
        return false;
    }
    void Activate() {
        form_->activateWindow();
        ASSERT_TRUE(WaitFor([&] { return form_->isActiveWindow(); }));
    }
    // The panel's object blocks as the configuration of tests/objectconfig.h with the given zones has them.
    void ConfigurePanelObjects(std::initializer_list<TZoneOwner> zones) {
        TZelmoMemoryMap map(kBin / "drv_base" / "937_d_6_4.xml");
        ConfigureObjects(map, zones);
        for (const char* name :
             {"sys_outs", "adr_mr", "sys_outs_assigns", "rpd_nums", "pkp_nums", "obj_nums", "obj_exl"}) {
            const TConfigBlockBase& block = map.ConfigBlock(name);
            std::copy_n(block.ValueBytes(), block.Size, PanelBytes(name));
        }
    }
    TZelmoMemoryMap& Current() const { return *form_->Session()->CurrentMap(); }
    // The active window, connected to a Y-649 panel that holds one code, "444" in row 4 of 4.
    void ConnectWithOneCode() {
        Make("937_d_6_4.xml");
        std::copy_n(EncodeCode("444").begin(), 6, PanelBytes("codes") + 3 * 6);
        PanelByte("reg_code_count") = 1;
        PanelByte("max_code_num") = 4;
        ShowAndWait([&] { return Connected(); });
        Activate();
    }

    TVirtualClock clock_;
    sim::TSimPanel panel_;
    std::unique_ptr<TZelmoMemoryMap> panelMap_;
    TScriptedDialogs dialogs_;
    bool plugged_ = true;
    fs::path setPath_;
    std::unique_ptr<TZDevSettingsForm> form_;
};

TEST_F(EditorWindow, NoPanelSaysSoAndDemoShowsTheY649Tree) {
    Make("937_d_6_4.xml", /*attached=*/false);
    form_->show();
    EXPECT_EQ(form_->windowTitle().toStdString(), "Mirca-Y Изменение настроек прибора");
    EXPECT_EQ(form_->minimumSize(), QSize(800, 600));
    EXPECT_EQ(TopNodes(), std::vector<std::string>{"Синхронизация с прибором"});
    ASSERT_TRUE(WaitFor([&] { return Panel(2) == "Демо"; }));
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(13) + Msg(14) + Msg(17)});
    const TMenu y649 = LoadMenu(setPath_ / "Menu.xml", "Y-649");
    ASSERT_EQ(static_cast<std::size_t>(Tree()->topLevelItemCount()), y649.nodes.size());
    EXPECT_EQ(TopNodes().front(), y649.nodes.front().caption);
    for (const char* action :
         {"MenuConnectAction", "MenuDisconnectAction", "MenuReadAction", "MenuWriteAction"})
        EXPECT_FALSE(On(action)) << action;
    EXPECT_TRUE(On("SetFactorySettingsAction"));
    EXPECT_EQ(Panel(5), Msg(11));
    EXPECT_TRUE(form_->findChild<QAction*>(QStringLiteral("MenuDemoAction"))->isChecked());
    // The page on screen has the node's caption and its tip.
    EXPECT_EQ(
        form_->findChild<QGroupBox*>(QString::fromStdString(GroupBoxName(form_->VisiblePage())))->title(),
        Tree()->currentItem()->text(0));
    EXPECT_FALSE(form_->findChild<QTextBrowser*>(QStringLiteral("TipBrowser"))->toPlainText().isEmpty());
}

TEST_F(EditorWindow, TwoPanelsAreRefused) {
    Make("937_d_6_4.xml", true, /*crowded=*/true);
    ShowAndWait([&] { return Panel(2) == "Демо"; });
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(15) + Msg(16) + Msg(17)});
}

TEST_F(EditorWindow, ThePagesShowThePanelsValuesAndWriteSendsTheEdit) {
    Make("937_d_6_4.xml");
    PanelByte("mode_rele") = 0x21;
    PanelByte("notice_status_3") = 1;
    ShowAndWait([&] { return Connected(); });
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(31)});
    EXPECT_TRUE(On("MenuWriteAction") && On("MenuReadAction") && On("MenuDisconnectAction"));
    EXPECT_FALSE(On("MenuConnectAction"));
    EXPECT_NE(
        form_->findChild<QLabel*>(QStringLiteral("DeviceInfoLabel"))->text().toStdString().find("dv6_4"),
        std::string::npos);

    ASSERT_TRUE(SelectPage("RRiRelayTS"));
    EXPECT_EQ(Combo("ReleWorkMode1")->currentIndex(), 1);
    EXPECT_EQ(Combo("ReleWorkMode2")->currentIndex(), 2);
    Combo("ReleWorkMode1")->setCurrentIndex(0);
    ASSERT_TRUE(SelectPage("YNoticeStatusTS"));
    EXPECT_EQ(Combo("YNoticeStatCmb3")->currentIndex(), 1);
    Combo("YNoticeStatCmb3")->setCurrentIndex(0);

    dialogs_.Clear();
    Trigger("MenuWriteAction");
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(28)});
    // The page on screen was committed before the write, the page left earlier when it was left.
    EXPECT_EQ(PanelByte("mode_rele"), 0x20);
    EXPECT_EQ(PanelByte("notice_status_3"), 0);
    // Written: closing has nothing to ask.
    form_->close();
    EXPECT_TRUE(Texts(TKind::Ask).empty());
    EXPECT_FALSE(form_->IsOpen());
}

TEST_F(EditorWindow, ClosingAsksOnlyAfterAChange) {
    Make("937_d_6_4.xml");
    ShowAndWait([&] { return Connected(); });
    // Looking at every page changes nothing.
    for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
        Tree()->setCurrentItem(*it);
    form_->close();
    EXPECT_TRUE(Texts(TKind::Ask).empty());

    // Connected and changed: write now?
    dialogs_.Clear();
    ShowAndWait([&] { return Connected() && Tree()->topLevelItemCount() > 1; });
    ASSERT_TRUE(SelectPage("RRiRelayTS"));
    Combo("ReleWorkMode2")->setCurrentIndex((Combo("ReleWorkMode2")->currentIndex() + 1) % 3);
    dialogs_.ScriptAnswer(TAnswer::No);
    form_->close();
    EXPECT_EQ(Texts(TKind::Ask), std::vector<std::string>{Msg(304)});

    // In demo: save to a file?
    plugged_ = false;
    dialogs_.Clear();
    ShowAndWait([&] { return Panel(2) == "Демо"; });
    ASSERT_TRUE(SelectPage("YNoticeStatusTS"));
    Combo("YNoticeStatCmb1")->setCurrentIndex(1 - Combo("YNoticeStatCmb1")->currentIndex());
    dialogs_.ScriptAnswer(TAnswer::No);
    form_->close();
    EXPECT_EQ(Texts(TKind::Ask), std::vector<std::string>{Msg(305)});
}

TEST_F(EditorWindow, BrokenDataFilesAreReportedAndTheWindowGoesOn) {
    setPath_ = dir_ / "set";
    fs::create_directories(setPath_);
    fs::copy_file(kBin / "drv_base" / "Messages.xml", setPath_ / "Messages.xml");
    // A first comment, a node naming no sheet, no tips file at all.
    WriteFile(setPath_ / "Menu.xml",
              "<menus>\n<!-- the waiting tree -->\n<menu name=\"Wait\" language=\"RU\">\n"
              "  <node name=\"Ожидание\" index=\"WaitForSynchronizeTS\"/>\n"
              "  <node name=\"Нет такой\" index=\"NoSuchTS\"/>\n</menu>\n</menus>\n");
    Make("937_d_6_4.xml", /*attached=*/false);
    form_->show();
    ASSERT_EQ(dialogs_.Count(TKind::Exception), 1u);
    EXPECT_NE(dialogs_.Calls()[0].text.find("tips.xml"), std::string::npos) << dialogs_.Calls()[0].text;
    EXPECT_EQ(TopNodes(), (std::vector<std::string>{"Ожидание", "Нет такой"}));
    EXPECT_EQ(form_->VisiblePage(), "WaitForSynchronizeTS");
    Tree()->setCurrentItem(Tree()->topLevelItem(1));
    EXPECT_EQ(form_->VisiblePage(), "WaitForSynchronizeTS");

    // Demo asks for the Y-649 menu, which this file lacks: the single node of a missing menu.
    ASSERT_TRUE(WaitFor([&] { return Panel(2) == "Демо"; }));
    EXPECT_EQ(TopNodes(), std::vector<std::string>{Msg(122)});

    // A file the parser refuses: its place is named, and the window still works.
    WriteFile(setPath_ / "Menu.xml", "<menus><menu name=\"Y-649\" language=\"RU\"><node name=\"x\"></menus>");
    form_->close();
    dialogs_.Clear();
    form_->show();
    const std::vector<std::string> errors = Texts(TKind::Exception);
    ASSERT_EQ(errors.size(), 2u);  // the missing tips, then the menu
    EXPECT_NE(errors.back().find("Menu.xml:1:"), std::string::npos) << errors.back();
    EXPECT_EQ(TopNodes(), std::vector<std::string>{Msg(122)});
}

TEST_F(EditorWindow, TheBackupPageSavesObjectAndAddressInTheFileName) {
    Make("66_e_3_0.xml");
    ShowAndWait([&] { return Connected(); });
    ASSERT_TRUE(SelectPage("YBackupTS"));
    auto* number = form_->findChild<QLineEdit*>(QStringLiteral("YRegBackupObjNumEdit"));
    EXPECT_FALSE(number->isEnabled());
    EXPECT_FALSE(On("MenuReadAction"));
    form_->findChild<QPushButton*>(QStringLiteral("YCreateBackupBtn"))->click();
    ASSERT_TRUE(On("MenuReadAction"));
    dialogs_.Clear();
    Trigger("MenuReadAction");
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(299)});
    ASSERT_TRUE(number->isEnabled());
    // As the user types: the session takes the object number and the address from the controls.
    number->setFocus();
    number->insert(QStringLiteral("12"));
    Combo("YRegBackupDevAdrCmb")->setCurrentIndex(2);
    Trigger("FileSaveAction");
    const std::string name = panelMap_->devprefix + "_3_" + kDate + "_object_12.rrg";
    EXPECT_TRUE(fs::exists(dir_ / "reg" / name));
    EXPECT_EQ(form_->findChild<QLineEdit*>(QStringLiteral("YRegBackupFilenameEdit"))->text().toStdString(),
              name);
}

TEST_F(EditorWindow, PasswordsThatBreakTheirRulesKeepThePageOnce) {
    Make("937_d_6_4.xml");
    ShowAndWait([&] { return Connected(); });
    Activate();
    ASSERT_TRUE(SelectPage("YMainSettingsTS"));
    auto* user = Find<QLineEdit>("YUserPwdEdit");
    auto* engineer = Find<QLineEdit>("YEngineerPwdEdit");
    EXPECT_EQ(user->text(), QStringLiteral("1234"));
    EXPECT_EQ(engineer->text(), QStringLiteral("1111"));

    // Two digits: one box, the page stays, and leaving the field again says nothing more. The user clicks
    // another node.
    dialogs_.Clear();
    user->setText(QStringLiteral("12"));
    EXPECT_TRUE(ClickOnNextNodeKeepsTheSelection());
    EXPECT_FALSE(LeavePage());
    EXPECT_EQ(form_->VisiblePage(), "YMainSettingsTS");
    EXPECT_EQ(Texts(TKind::Inform), (std::vector<std::string>{Msg(145), Msg(145)}))
        << "once for each attempt";
    EXPECT_EQ(dialogs_.Calls()[0].caption, Msg(3));
    EXPECT_TRUE(user->hasFocus());
    Find<QComboBox>("YConfirmPaswrd")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(dialogs_.Count(TKind::Inform), 2u);
    // Write stops at the same check, and the panel keeps its password.
    Trigger("MenuWriteAction");
    EXPECT_EQ(Texts(TKind::Inform), (std::vector<std::string>{Msg(145), Msg(145), Msg(145)}));

    // Three digits for the engineer: the box, and the field keeps the focus.
    user->setText(QStringLiteral("907"));
    engineer->setText(QStringLiteral("123"));
    dialogs_.Clear();
    EXPECT_FALSE(LeavePage());
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(146)});
    EXPECT_TRUE(engineer->hasFocus());

    engineer->setText(QStringLiteral("5678"));
    dialogs_.Clear();
    Trigger("MenuWriteAction");
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(28)});
    EXPECT_EQ(std::vector<std::uint8_t>(PanelBytes("user_pw"), PanelBytes("user_pw") + 6),
              (std::vector<std::uint8_t>{0x89, 0x80, 0x87, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(PanelBytes("engineer_pw")[3], 0x88);
}

TEST_F(EditorWindow, TheMainPageClampsDurationsAndEnablesThemByMode) {
    Make("937_d_6_4.xml");
    PanelBytes("internal_sound")[0] = 1;  // "Выключен"
    PanelBytes("internal_sound")[1] = 0;
    ShowAndWait([&] { return Connected(); });
    ASSERT_TRUE(SelectPage("YMainSettingsTS"));
    auto* internal = Find<QSpinBox>("YUpDownIntSoundTime");
    auto* lcd = Find<QSpinBox>("YUpDownTimeLCD");
    EXPECT_EQ(internal->value(), 1) << "a stored 0 shows as the lowest duration";
    EXPECT_FALSE(internal->isEnabled());
    EXPECT_TRUE(lcd->isEnabled()) << "the backlight's factory mode is automatic";
    // The user turns the sound on and types a duration beyond the range.
    Find<QGroupBox>("YInternalSoundRG")->findChildren<QRadioButton*>()[2]->click();
    EXPECT_TRUE(internal->isEnabled());
    Find<QGroupBox>("YLCDBacklightRG")->findChildren<QRadioButton*>()[0]->click();
    EXPECT_FALSE(lcd->isEnabled());
    Find<QLineEdit>("YEditTimeLCD")->selectAll();
    Find<QLineEdit>("YEditTimeLCD")->insert(QStringLiteral("999"));
    EXPECT_EQ(Find<QLineEdit>("YEditTimeLCD")->text(), QStringLiteral("254"));
    Trigger("MenuWriteAction");
    EXPECT_EQ(PanelBytes("internal_sound")[0], 2);
    EXPECT_EQ(PanelBytes("internal_sound")[1], 1) << "and it is written as 1";
    EXPECT_EQ(PanelBytes("lcd_backlight")[0], 0);
}

TEST_F(EditorWindow, CodesAreCheckedInTheirCellAndWrittenWithCountAndMaximum) {
    ConnectWithOneCode();
    ASSERT_TRUE(SelectPage("YCodesTS"));
    auto* grid = Find<QTableWidget>("YCodesSG");
    auto* editor = Find<QLineEdit>("YCodeEdit");
    auto* maximum = Find<QSpinBox>("YNumKodEditUpDown");
    ASSERT_EQ(maximum->value(), 4);
    ASSERT_EQ(grid->rowCount(), 4);
    EXPECT_EQ(grid->item(3, 1)->text(), QStringLiteral("444"));
    const auto edit = [&](int row, const char* text) {
        Click(grid->viewport(), grid->visualRect(grid->model()->index(row, 1)).center());
        EXPECT_TRUE(editor->isVisible());
        editor->selectAll();
        editor->insert(QString::fromLatin1(text));
        maximum->setFocus(Qt::TabFocusReason);
    };

    // One digit: the box, and the cell keeps its code.
    dialogs_.Clear();
    edit(3, "7");
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(279)});
    EXPECT_EQ(editor->text(), QStringLiteral("444"));
    EXPECT_EQ(grid->item(3, 1)->text(), QStringLiteral("444"));
    // Row 4's code typed into row 1: the box names row 4, and row 1 is emptied.
    dialogs_.Clear();
    edit(0, "444");
    ASSERT_EQ(Texts(TKind::Inform), std::vector<std::string>{FormatInt(Msg(139), 4)});
    EXPECT_EQ(dialogs_.Calls()[0].caption, Msg(501));
    EXPECT_EQ(grid->item(0, 1)->text(), QString());

    // Codes in rows 2 and 7 only.
    dialogs_.Clear();
    maximum->setValue(7);
    edit(3, "");
    edit(1, "2468");
    edit(6, "13579");
    EXPECT_TRUE(dialogs_.Calls().empty());
    Trigger("MenuWriteAction");
    EXPECT_EQ(PanelByte("reg_code_count"), 2);
    EXPECT_EQ(PanelByte("max_code_num"), 7);
    EXPECT_EQ(PanelBytes("codes")[6], 0x82);
    EXPECT_EQ(PanelBytes("codes")[6 * 6 + 4], 0x89);
    // Read again, the page shows the maximum 7; lowered to 3 it empties rows 4 to 32.
    Trigger("MenuReadAction");
    ASSERT_TRUE(SelectPage("YCodesTS"));
    EXPECT_EQ(maximum->value(), 7);
    maximum->setValue(3);
    EXPECT_EQ(grid->rowCount(), 3);
    maximum->setValue(7);
    EXPECT_EQ(grid->item(6, 1)->text(), QString());
    Trigger("MenuWriteAction");
    EXPECT_EQ(PanelByte("reg_code_count"), 1);
    EXPECT_EQ(PanelByte("max_code_num"), 2);
}

// A refused code keeps the codes page as a refused password keeps its page: a click on another node goes
// back to the codes node, with one box; leaving again keeps the stored code. The cell editor opens with the
// old code selected, so that typing replaces it.
TEST_F(EditorWindow, ARefusedCodeKeepsTheNodeOnceAndTheStoredCodeStays) {
    ConnectWithOneCode();
    ASSERT_TRUE(SelectPage("YCodesTS"));
    auto* grid = Find<QTableWidget>("YCodesSG");
    auto* editor = Find<QLineEdit>("YCodeEdit");
    const auto type = [&](int row, const char* text) {
        ClickCell(grid, row, 1);
        ASSERT_TRUE(editor->isVisible());
        QTest::keyClicks(editor, QString::fromLatin1(text));
    };
    ClickCell(grid, 3, 1);
    EXPECT_EQ(editor->selectedText(), QStringLiteral("444"));
    type(3, "7");
    EXPECT_EQ(editor->text(), QStringLiteral("7"));

    // The user clicks another node.
    dialogs_.Clear();
    EXPECT_TRUE(ClickOnNextNodeKeepsTheSelection());
    EXPECT_EQ(form_->VisiblePage(), "YCodesTS");
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(279)});
    EXPECT_TRUE(editor->hasFocus());
    EXPECT_EQ(editor->text(), QStringLiteral("444"));
    EXPECT_TRUE(LeavePage());
    EXPECT_EQ(dialogs_.Count(TKind::Inform), 1u);

    // The focus goes to the tree, and no other node is chosen: the entry waits in its cell, and choosing
    // another cell checks it before the editor moves there.
    ASSERT_TRUE(SelectPage("YCodesTS"));
    type(3, "7");
    dialogs_.Clear();
    ClickAway();
    EXPECT_TRUE(dialogs_.Calls().empty());
    ClickCell(grid, 0, 1);
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(279)});
    EXPECT_EQ(grid->item(3, 1)->text(), QStringLiteral("444"));

    dialogs_.Clear();
    Trigger("MenuWriteAction");
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(28)});
    const auto stored = EncodeCode("444");
    EXPECT_EQ(std::vector<std::uint8_t>(PanelBytes("codes") + 3 * 6, PanelBytes("codes") + 4 * 6),
              std::vector<std::uint8_t>(stored.begin(), stored.begin() + 6));
    EXPECT_EQ(PanelByte("reg_code_count"), 1);
}

TEST_F(EditorWindow, TheBindingDialogOffersFreeOutputsAndTheListIsWritten) {
    Make("937_d_6_4.xml");
    PanelBytes("adr_mr")[0] = 5;
    PanelBytes("sys_outs")[4] = 21;  // system output 5: relay module 5, output 1
    ShowAndWait([&] { return Connected(); });
    ASSERT_TRUE(SelectPage("YSysOutsAssignInSysTS"));
    auto* list = Find<QTreeWidget>("YSysOutsAssignInSysLV");
    EXPECT_EQ(list->topLevelItem(4)->text(1).toStdString(), Msg(516));
    EXPECT_EQ(list->topLevelItem(4)->text(2), QStringLiteral("5"));
    EXPECT_EQ(list->topLevelItem(2)->text(4).toStdString(), Msg(519));
    EXPECT_EQ(list->topLevelItem(2)->text(5), QStringLiteral("10"));

    // System output 4 is unbound: the dialog opens with nothing chosen.
    Click(list->viewport(), list->visualItemRect(list->topLevelItem(3)).center(), /*twice=*/true);
    TYSysOutAssignInSysForm* dialog = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TYSysOutAssignInSysForm*>(window)) dialog = d;
    ASSERT_TRUE(WaitFor([&] { return dialog && dialog->isVisible(); }));
    EXPECT_TRUE(dialog->isModal());
    auto* type = dialog->findChild<QComboBox*>(QStringLiteral("DevTypeCmb"));
    auto* address = dialog->findChild<QComboBox*>(QStringLiteral("DevAdrCmb"));
    auto* output = dialog->findChild<QComboBox*>(QStringLiteral("PhysOutNumCmb"));
    auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("OKBitBtn"));
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_FALSE(address->isEnabled());
    const auto items = [](QComboBox* box) {
        std::vector<std::string> texts;
        for (int i = 0; i < box->count(); ++i)
            texts.push_back(box->itemText(i).toStdString());
        return texts;
    };
    const auto choose = [](QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    };
    // The panel's three outputs are all taken by system outputs 1 to 3.
    choose(type, 0);
    EXPECT_EQ(items(address), std::vector<std::string>{"0"});
    EXPECT_TRUE(items(output).empty());
    // Module 5's output 1 is taken by system output 5.
    choose(type, 1);
    EXPECT_EQ(items(address), std::vector<std::string>{"5"});
    choose(address, 0);
    EXPECT_EQ(items(output), (std::vector<std::string>{"2", "3", "4"}));
    choose(output, 0);
    ASSERT_TRUE(ok->isEnabled());
    dialog->findChild<QGroupBox*>(QStringLiteral("YSOAISWorkModeRdG"))
        ->findChildren<QRadioButton*>()[4]
        ->click();
    auto* duration = dialog->findChild<QComboBox*>(QStringLiteral("YSOAISWorkTimeCmB"));
    EXPECT_EQ(duration->currentText(), QStringLiteral("10"));
    duration->setCurrentIndex(duration->count() - 1);
    ok->click();
    EXPECT_EQ(list->topLevelItem(3)->text(3), QStringLiteral("2"));
    EXPECT_EQ(list->topLevelItem(3)->text(5).toStdString(), Msg(542));

    // Deleting system output 3 frees the panel's third output.
    list->setCurrentItem(list->topLevelItem(2));
    Click(list->viewport(), list->visualItemRect(list->topLevelItem(2)).center());
    auto* remove = Find<QPushButton>("YSOAISDelSysOutBitBtn");
    ASSERT_TRUE(remove->isEnabled());
    remove->click();
    EXPECT_EQ(list->topLevelItem(2)->text(1), QString());

    Trigger("MenuWriteAction");
    EXPECT_EQ(PanelBytes("sys_outs")[3], 22) << "output 2 of the relay module at address 5";
    EXPECT_EQ(PanelBytes("sys_outs")[2], 0);
    EXPECT_EQ(PanelBytes("sys_outs_work_modes")[6], 4);
    EXPECT_EQ(PanelBytes("sys_outs_work_modes")[7], 255);
    EXPECT_EQ(PanelBytes("sys_outs_work_modes")[4], 0);
}

// Deleting a system output takes it from the objects' stored assignments at once: a file saved next holds
// object 3 (system outputs 1, 3, 4 and 5 in tests/objectconfig.h) without module 5's output 1, the deleted
// system output 5, and with everything else it had.
TEST_F(EditorWindow, ADeletedSystemOutputLeavesTheObjectsAssignmentsAtOnce) {
    Make("937_d_6_4.xml");
    ConfigurePanelObjects({{10, 2, 3, true}, {20, 1, 1500, true}});
    ShowAndWait([&] { return Connected(); });
    ASSERT_TRUE(SelectPage("YSysOutsAssignInSysTS"));
    auto* list = Find<QTreeWidget>("YSysOutsAssignInSysLV");
    list->setCurrentItem(list->topLevelItem(4));
    Click(list->viewport(), list->visualItemRect(list->topLevelItem(4)).center());
    auto* remove = Find<QPushButton>("YSOAISDelSysOutBitBtn");
    ASSERT_TRUE(remove->isEnabled());
    remove->click();
    const auto& assigns = Current().Block<TYSysOutsAssigns>("sys_outs_assigns").Value;
    EXPECT_EQ(assigns.YSysOutAssigns(3), (TYSysOutAssigns{{0b101, 5, 0b0010}}));
    EXPECT_EQ(assigns.YSysOutAssigns(1500), (TYSysOutAssigns{{0, 9, 0b1001}}));

    dialogs_.Clear();
    const fs::path file = dir_ / "conf" / "site.ycfg";
    dialogs_.ScriptSaveFile(file);
    Trigger("FileSaveAction");
    TZelmoMemoryMapImage image;
    ASSERT_TRUE(LoadConfigurationFile(setPath_, file, image)) << LastFailureText();
    TZelmoMemoryMap saved(setPath_ / "937_d_6_4.xml");
    ASSERT_TRUE(saved.LoadFromImage(image));
    EXPECT_EQ(saved.Block<TYSysOuts>("sys_outs").Value.SysOut(5), 0u);
    EXPECT_EQ(saved.Block<TYSysOuts>("sys_outs").Value.SysOut(4), 22u);
    EXPECT_EQ(saved.Block<TYSysOutsAssigns>("sys_outs_assigns").Value.YSysOutAssigns(3),
              (TYSysOutAssigns{{0b101, 5, 0b0010}}));
    EXPECT_EQ(saved.Block<TYSysOutsAssigns>("sys_outs_assigns").Value.YSysOutAssigns(1500),
              (TYSysOutAssigns{{0, 9, 0b1001}}));
    // Saved, but the panel still has it: closing offers the write.
    dialogs_.ScriptAnswer(TAnswer::No);
    form_->close();
    EXPECT_EQ(Texts(TKind::Ask), std::vector<std::string>{Msg(304)});
}

// Both assignment pages against the panel: a device and a zone given to object 1, then a system output, all
// written into the panel's object blocks.
TEST_F(EditorWindow, AssignmentsMadeOnBothPagesAreWritten) {
    Make("937_d_6_4.xml");
    PanelBytes("rpd_nums")[0] = 7;  // address 1: device 7, with a panel number
    PanelBytes("pkp_nums")[0] = 1;
    ShowAndWait([&] { return Connected(); });
    ASSERT_TRUE(SelectPage("YAssignsIIinObjectsTS"));
    auto* zones = Find<QTableView>("YAssignsIIinObjectsSG");
    const auto cell = [](QTableView* grid, int row, int column) {
        return grid->visualRect(grid->model()->index(row, column)).center();
    };
    Click(zones->viewport(), cell(zones, 0, 2));
    auto* devices = Find<QComboBox>("YAIIiOCmB");
    ASSERT_TRUE(devices->isVisible());
    const int device = devices->findText(QStringLiteral("7"));
    ASSERT_GT(device, 0);
    devices->setCurrentIndex(device);
    emit devices->activated(device);
    EXPECT_EQ(zones->model()->index(0, 5).data().toString(), QStringLiteral("avl"));
    Click(zones->viewport(), cell(zones, 0, 5));
    EXPECT_EQ(zones->model()->index(0, 5).data().toString(), QStringLiteral("set"));

    ASSERT_TRUE(SelectPage("YAssignsSysOutsInObjectsTS"));
    auto* outputs = Find<QTableView>("YAssignsSysOutsInObjectsSG");
    Click(outputs->viewport(), cell(outputs, 0, 1));
    auto* choice = Find<QComboBox>("YASOIOCmB");
    ASSERT_TRUE(choice->isVisible());
    const int second = choice->findText(QStringLiteral("2"));
    ASSERT_GT(second, 0);
    choice->setCurrentIndex(second);
    emit choice->activated(second);

    dialogs_.Clear();
    Trigger("MenuWriteAction");
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(28)});
    EXPECT_EQ(PanelBytes("obj_nums")[0], 1) << "address 1, zone 1 belongs to object 1";
    EXPECT_EQ(PanelBytes("obj_nums")[1], 0);
    EXPECT_EQ(PanelBytes("sys_outs_assigns")[0], 0x02) << "system output 2: the panel's output 2";
}

// Looking at the zones page stores nothing, even where a store would rewrite what the panel holds (here its
// exclusion marks, all clear): closing has nothing to ask. Clearing the table is a change: closing asks, and
// the write empties the panel's zones.
TEST_F(EditorWindow, LookingAtTheZonesPageChangesNothingClearingItDoes) {
    Make("937_d_6_4.xml");
    PanelBytes("rpd_nums")[0] = 7;  // address 1: device 7
    PanelBytes("obj_nums")[0] = 1;  // its zone 1 belongs to object 1
    std::fill_n(PanelBytes("obj_exl"), 250, 0);
    ShowAndWait([&] { return Connected(); });
    ASSERT_TRUE(SelectPage("YAssignsIIinObjectsTS"));
    ASSERT_TRUE(LeavePage());
    EXPECT_FALSE(Current().AnyModified());
    form_->close();
    EXPECT_TRUE(Texts(TKind::Ask).empty());

    dialogs_.Clear();
    ShowAndWait([&] { return Connected() && Tree()->topLevelItemCount() > 1; });
    ASSERT_TRUE(SelectPage("YAssignsIIinObjectsTS"));
    dialogs_.ScriptAnswer(TAnswer::Yes);
    Find<QPushButton>("YAIIiODelAllObjBitBtn")->click();
    ASSERT_TRUE(LeavePage());
    EXPECT_TRUE(Current().ConfigBlock("obj_nums").Modified);
    dialogs_.ScriptAnswer(TAnswer::Yes);
    form_->close();
    EXPECT_EQ(Texts(TKind::Ask), (std::vector<std::string>{Msg(533), Msg(304)}));
    EXPECT_EQ(PanelBytes("obj_nums")[0], 0) << "the cleared table is written";
    EXPECT_FALSE(form_->IsOpen());
}

// Esc in a field takes back what was typed there since the user came to it, and the window stays open with
// nothing asked; the page may be left again. Esc on the window itself closes it as the close button does.
TEST_F(EditorWindow, EscTakesBackAFieldsEntryAndClosesOnlyFromTheWindow) {
    ConnectWithOneCode();
    const auto escape = [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); };

    // A password, refused on the way out first: Esc reaches back past the refusal to the stored one.
    ASSERT_TRUE(SelectPage("YMainSettingsTS"));
    dialogs_.Clear();
    auto* user = Find<QLineEdit>("YUserPwdEdit");
    user->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(user, QStringLiteral("9"));
    Find<QComboBox>("YConfirmPaswrd")->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(145)});
    ASSERT_TRUE(user->hasFocus());
    escape();
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(user->text(), QStringLiteral("1234"));
    // A duration: its up-down's value comes back with its text.
    auto* duration = Find<QSpinBox>("YUpDownTimeLCD");
    const int stored = duration->value();
    duration->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(duration, QString::number(stored == 9 ? 8 : 9));
    ASSERT_NE(duration->value(), stored);
    escape();
    EXPECT_EQ(duration->value(), stored);
    dialogs_.Clear();
    ASSERT_TRUE(LeavePage()) << "the page may be left again";
    EXPECT_TRUE(dialogs_.Calls().empty());

    // The code cell: the editor goes, the row keeps its code, nothing is checked.
    ASSERT_TRUE(SelectPage("YCodesTS"));
    auto* grid = Find<QTableWidget>("YCodesSG");
    auto* code = Find<QLineEdit>("YCodeEdit");
    ClickCell(grid, 3, 1);
    QTest::keyClicks(code, QStringLiteral("7"));
    escape();
    EXPECT_FALSE(code->isVisible());
    EXPECT_EQ(grid->item(3, 1)->text(), QStringLiteral("444"));
    ASSERT_TRUE(LeavePage());

    // The device box over a zones cell: it goes without a choice.
    ASSERT_TRUE(SelectPage("YAssignsIIinObjectsTS"));
    auto* zones = Find<QTableView>("YAssignsIIinObjectsSG");
    ClickCell(zones, 0, kDeviceColumn);
    auto* devices = Find<QComboBox>("YAIIiOCmB");
    ASSERT_TRUE(devices->hasFocus());
    escape();
    EXPECT_FALSE(devices->isVisible());
    EXPECT_EQ(zones->model()->index(0, kDeviceColumn).data().toString(), QString());

    EXPECT_TRUE(form_->IsOpen());
    EXPECT_TRUE(dialogs_.Calls().empty());
    ASSERT_TRUE(LeavePage());
    Trigger("MenuWriteAction");
    EXPECT_EQ(std::vector<std::uint8_t>(PanelBytes("user_pw"), PanelBytes("user_pw") + 4),
              (std::vector<std::uint8_t>{0x81, 0x82, 0x83, 0x84}));
    EXPECT_EQ(PanelBytes("codes")[3 * 6], EncodeCode("444")[0]);

    // On the window, after a change: the close question, and No closes without writing.
    ASSERT_TRUE(SelectPage("RRiRelayTS"));
    Combo("ReleWorkMode2")->setCurrentIndex((Combo("ReleWorkMode2")->currentIndex() + 1) % 3);
    const std::uint8_t relays = PanelByte("mode_rele");
    Tree()->setFocus(Qt::MouseFocusReason);
    dialogs_.Clear();
    dialogs_.ScriptAnswer(TAnswer::No);
    escape();
    EXPECT_EQ(Texts(TKind::Ask), std::vector<std::string>{Msg(304)});
    EXPECT_FALSE(form_->IsOpen());
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(PanelByte("mode_rele"), relays);
}

// A map without a block a page needs: showing and leaving the page report the map's lookup error, the page
// changes nothing, and the window goes on to write the other pages.
TEST_F(EditorWindow, APageWhoseBlockTheMapLacksReportsItAndTheWindowGoesOn) {
    setPath_ = dir_ / "set";
    fs::copy(kBin / "drv_base", setPath_, fs::copy_options::recursive);
    std::string map = ReadText(setPath_ / "937_d_6_4.xml");
    const std::size_t at = map.find("<block name=\"codes\"");
    ASSERT_NE(at, std::string::npos);
    map.replace(at, 19, "<block name=\"codez\"");
    WriteFile(setPath_ / "937_d_6_4.xml", map);
    Make("937_d_6_4.xml");
    ShowAndWait([&] { return Connected(); });
    dialogs_.Clear();
    ASSERT_TRUE(SelectPage("YCodesTS"));
    const std::string lookup = "ConfigBlock[\"codes\"] not found";
    ASSERT_EQ(dialogs_.Count(TKind::Exception), 1u);
    EXPECT_NE(Texts(TKind::Exception)[0].find(lookup), std::string::npos) << Texts(TKind::Exception)[0];
    EXPECT_TRUE(LeavePage());
    ASSERT_EQ(dialogs_.Count(TKind::Exception), 2u);
    EXPECT_NE(Texts(TKind::Exception)[1].find(lookup), std::string::npos);

    ASSERT_TRUE(SelectPage("RRiRelayTS"));
    Combo("ReleWorkMode1")->setCurrentIndex(2);
    dialogs_.Clear();
    Trigger("MenuWriteAction");
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(28)});
    EXPECT_EQ(PanelByte("mode_rele") & 0x0F, 2);
}

// In English every text a page shows is English: a caption the translation tools cannot see stays Russian.
TEST(EditorPagesInEnglish, NoPageShowsARussianText) {
    QTranslator translator;
    ASSERT_TRUE(translator.load(QString::fromStdString((kBin / "lang" / "mirca_en.qm").string())));
    QCoreApplication::installTranslator(&translator);
    Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "EN", "");
    TScriptedDialogs dialogs;
    bool leave = true;
    QStackedWidget pages;
    BuildTabSheets(pages, TPageServices{&dialogs, &leave});
    const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    const auto expectEnglish = [&](const QObject& owner, const QString& text) {
        EXPECT_FALSE(text.contains(cyrillic))
            << owner.objectName().toStdString() << ": " << text.toStdString();
    };
    for (QWidget* widget : pages.findChildren<QWidget*>()) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) expectEnglish(*button, button->text());
        if (auto* label = qobject_cast<QLabel*>(widget)) expectEnglish(*label, label->text());
        if (auto* box = qobject_cast<QGroupBox*>(widget)) expectEnglish(*box, box->title());
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                expectEnglish(*combo, combo->itemText(i));
        if (auto* header = qobject_cast<QHeaderView*>(widget); header && header->model())
            for (int i = 0; i < header->count(); ++i)
                expectEnglish(*header->parentWidget(),
                              header->model()->headerData(i, header->orientation()).toString());
    }
    QCoreApplication::removeTranslator(&translator);
    Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "RU", "");
}

// The durations' ranges on the main settings page name their unit as the window's language does.
TEST(EditorPagesInEnglish, DurationRangesNameTheUnitInTheWindowsLanguage) {
    TScriptedDialogs dialogs;
    bool leave = true;
    QStackedWidget pages;
    BuildTabSheets(pages, TPageServices{&dialogs, &leave});
    const auto ranges = [&] {
        std::vector<std::string> texts;
        for (const char* group : {"YInternalSoundRG", "YLCDBacklightRG"})
            texts.push_back(pages.findChild<QGroupBox*>(QLatin1String(group))
                                ->findChild<QLabel*>()
                                ->text()
                                .toStdString());
        return texts;
    };
    EXPECT_EQ(ranges(), (std::vector<std::string>{"(1c-255c)", "(1c-254c)"}));
    struct Case {
        const char* file;
        std::vector<std::string> shown;
    } cases[] = {{"mirca_en.qm", {"(1s-255s)", "(1s-254s)"}},
                 {"mirca_tr.qm", {"(1sn-255sn)", "(1sn-254sn)"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        QTranslator translator;
        ASSERT_TRUE(translator.load(QString::fromStdString((kBin / "lang" / c.file).string())));
        QCoreApplication::installTranslator(&translator);
        RetranslateTabSheets(pages);
        EXPECT_EQ(ranges(), c.shown);
        QCoreApplication::removeTranslator(&translator);
    }
    RetranslateTabSheets(pages);
    EXPECT_EQ(ranges(), (std::vector<std::string>{"(1c-255c)", "(1c-254c)"}));
}

}  // namespace
}  // namespace mirca
