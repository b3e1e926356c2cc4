// The event log window and its filter dialog on the offscreen platform, over the in-process panel: reading,
// the list, the filters through the database, files, closing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/textformat.h"
#include "eventlog/zmstoreform.h"
#include "eventlog/zmstorereportform.h"
#include "sim/panel.h"
#include "sim/simport.h"
#include "tests/gui_app.h"
#include "tests/gui_dialogs.h"
#include "tests/panelports.h"
#include "tests/process.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using TKind = TScriptedDialogs::TKind;
using TAnswer = IDialogService::TAnswer;

const testing::Environment* const kGuiApplication = testing::AddGlobalTestEnvironment(new TGuiApplication);
const fs::path kBin = MIRCA_BIN_DIR;

class EventLogWindow : public TTestFolder {
protected:
    void SetUp() override {
        TTestFolder::SetUp();
        Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "RU", "");
        sim::TEventLogSetup log;
        log.records = 300;
        log.logPosition = 17;
        panel_.SetEventLog(log);
        filter_ = std::make_unique<TZMStoreReportForm>(dialogs_);
        TLogSetup setup;
        setup.dialogs = &dialogs_;
        setup.paths = [this] { return TLogPaths{kBin, dir_ / "report", dir_ / "Report" / "meslog.db"}; };
        setup.link = [this]() -> std::unique_ptr<TPanelLink> {
            if (crowded_) return std::make_unique<TPanelLink>(std::make_unique<TCrowdedPort>(), clock_);
            return std::make_unique<TPanelLink>(std::make_unique<TPluggablePort>(panel_, clock_, plugged_),
                                                clock_);
        };
        setup.sleeper = &clock_;
        setup.services.openUrl = [this](const std::string& url) {
            opened_.push_back(url);
            return desktopOpens_;
        };
        setup.services.stamp = [] { return std::string("09.12.2026 0:05:07"); };
        form_ = std::make_unique<TZMStoreForm>(std::move(setup));
        form_->SetFilterDialog(filter_.get());
        form_->show();
    }
    void TearDown() override {
        form_.reset();
        filter_.reset();
        TTestFolder::TearDown();
    }

    std::string Panel(int i) const {
        return form_->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i))->text().toStdString();
    }
    QAction* Action(const char* name) const { return form_->findChild<QAction*>(QString::fromLatin1(name)); }
    std::vector<std::string> Texts(TKind kind) const { return dialogs_.Texts(kind); }
    std::vector<TLogRow> Rows() const { return form_->Session()->Rows(); }
    void Read() {
        Action("MenuConnectAction")->trigger();
        ASSERT_EQ(Panel(0), Msg(262));
    }
    // Runs the filter dialog as the user would: the script sets it up, then "Применить" or "Отмена".
    void Filter(const std::function<void(TZMStoreReportForm&)>& script, bool apply = true) {
        QTimer::singleShot(0, filter_.get(), [this, script, apply] {
            script(*filter_);
            filter_->findChild<QPushButton*>(apply ? QStringLiteral("Button1") : QStringLiteral("Button2"))
                ->click();
            // A refused "Применить" leaves the dialog open: cancel it so the test goes on.
            if (filter_->isVisible()) filter_->reject();
        });
        Action("ReportAction")->trigger();
    }
    static void Check(TZMStoreReportForm& dialog, int item) {
        auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("FiltersLV"));
        list->topLevelItem(item)->setCheckState(0, Qt::Checked);
    }
    static void Type(TZMStoreReportForm& dialog, const char* box, const QString& text) {
        dialog.findChild<QComboBox*>(QString::fromLatin1(box))->setEditText(text);
    }

    TVirtualClock clock_;
    sim::TSimPanel panel_;
    bool plugged_ = true;
    bool crowded_ = false;
    TScriptedDialogs dialogs_;
    std::vector<std::string> opened_;
    bool desktopOpens_ = true;
    std::unique_ptr<TZMStoreReportForm> filter_;
    std::unique_ptr<TZMStoreForm> form_;
};

// dd.mm.yy/hh:mm:ss as a sortable key.
std::string Key(const std::string& dateTime) {
    return dateTime.substr(6, 2) + dateTime.substr(3, 2) + dateTime.substr(0, 2) + dateTime.substr(9);
}

TEST_F(EventLogWindow, AReadFillsTheListOldestFirstAndEnablesTheFilters) {
    EXPECT_EQ(form_->windowTitle().toStdString(), "Mirca-Y Журнал событий");
    EXPECT_EQ(form_->minimumSize(), QSize(856, 730));
    EXPECT_FALSE(Action("ReportAction")->isEnabled());
    EXPECT_FALSE(Action("ShowAllCurrentAction")->isEnabled());
    // The seven columns in the proportions of their widths (scaled to fit the list); EventID is practically
    // hidden.
    const auto* list = form_->findChild<QTableView*>(QStringLiteral("ListView1"));
    ASSERT_EQ(list->model()->columnCount(), 7);
    EXPECT_EQ(list->columnWidth(1), 1);
    const double scale = list->columnWidth(5) / 248.0;
    for (const auto& [column, width] : {std::pair{0, 52}, {2, 157}, {3, 195}, {4, 183}})
        EXPECT_NEAR(list->columnWidth(column), width * scale, 1.0) << column;
    Read();
    EXPECT_TRUE(dialogs_.Calls().empty());
    ASSERT_EQ(form_->RowCount(), 300);
    EXPECT_EQ(Rows().front().number, "1");
    for (std::size_t i = 1; i < Rows().size(); ++i)
        ASSERT_LE(Key(Rows()[i - 1].dateTime), Key(Rows()[i].dateTime)) << "row " << i + 1;
    EXPECT_TRUE(Action("ReportAction")->isEnabled());
    EXPECT_TRUE(Action("ShowAllCurrentAction")->isEnabled());
    EXPECT_EQ(Panel(5), Msg(11)) << "the link is closed once the log is in";
    EXPECT_NE(
        form_->findChild<QLabel*>(QStringLiteral("DeviceInfoLabel"))->text().toStdString().find("6.4.9"),
        std::string::npos);
    // "показать все" brings the database's copy back in the same order.
    const std::vector<TLogRow> read = Rows();
    Action("ShowAllCurrentAction")->trigger();
    ASSERT_EQ(Rows().size(), read.size());
    EXPECT_EQ(Rows().back().dateTime, read.back().dateTime);
}

TEST_F(EventLogWindow, TheGaugeReadsTablesToHalfThenFillsFromHalfAndEndsAtZero) {
    panel_.SetEventLog({});  // 1,400 records
    std::vector<int> values;
    auto* gauge = form_->findChild<QProgressBar*>(QStringLiteral("MainProgressGauge"));
    QObject::connect(gauge, &QProgressBar::valueChanged, [&values](int v) { values.push_back(v); });
    Read();
    ASSERT_FALSE(values.empty());
    // Reading the tables: 5 up to 50. Filling: back to 0, then 50 at the first record, rising to 100.
    const auto zero = std::find(values.begin(), values.end(), 0);
    ASSERT_NE(zero, values.end());
    ASSERT_NE(zero, values.begin());
    EXPECT_EQ(*std::min_element(values.begin(), zero), 5);
    EXPECT_EQ(*std::max_element(values.begin(), zero), 50);
    ASSERT_GT(values.end() - zero, 3);
    EXPECT_EQ(*(zero + 1), 50);
    EXPECT_TRUE(std::is_sorted(zero + 1, std::find(zero + 1, values.end(), 100)));
    EXPECT_NE(std::find(zero + 1, values.end(), 99), values.end());
    EXPECT_EQ(values.back(), 0);
    EXPECT_EQ(*(values.end() - 2), 100);
}

TEST_F(EventLogWindow, ASystemOneLogReadsButShowsNoRows) {
    sim::TPanelIdentity id = panel_.Identity();
    id.major = 1;
    panel_.SetIdentity(id);
    panel_.SetEventLog({});
    Read();
    EXPECT_EQ(form_->RowCount(), 0);
    // Its filter dialog has no items, and applying it runs nothing.
    Filter([](TZMStoreReportForm& dialog) {
        EXPECT_EQ(dialog.findChild<QTreeWidget*>(QStringLiteral("FiltersLV"))->topLevelItemCount(), 0);
    });
    EXPECT_TRUE(Texts(TKind::Inform).empty());
}

TEST_F(EventLogWindow, NoPanelOrSeveralFallIntoDemo) {
    plugged_ = false;
    Action("MenuConnectAction")->trigger();
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(13) + Msg(14) + Msg(17)});
    EXPECT_EQ(Panel(2), "Демо");
    EXPECT_FALSE(Action("MenuConnectAction")->isEnabled());
    Action("MenuOnlineAction")->trigger();
    ASSERT_TRUE(Action("MenuConnectAction")->isEnabled());
    crowded_ = true;
    dialogs_.Clear();
    Action("MenuConnectAction")->trigger();
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(15) + Msg(16) + Msg(17)});
}

TEST_F(EventLogWindow, EachFilterShowsItsRowsAndNoMatchKeepsTheList) {
    Read();
    const std::vector<TLogRow> all = Rows();
    const auto count = [&all](const std::function<bool(const TLogRow&)>& wanted) {
        return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), wanted));
    };

    // Object: the rows of one object's range.
    const std::string object = "Объект ";
    const auto withObject =
        std::find_if(all.begin(), all.end(), [&](const TLogRow& r) { return r.range.rfind(object, 0) == 0; });
    ASSERT_NE(withObject, all.end());
    const std::string number = withObject->range.substr(object.size());
    Filter([&](TZMStoreReportForm& d) {
        Check(d, 2);
        Type(d, "YObjsNumsCmB", QString::fromStdString(number));
    });
    EXPECT_EQ(Rows().size(), count([&](const TLogRow& r) { return r.range == withObject->range; }));
    EXPECT_FALSE(Rows().empty());

    // Event type "тревога": the rows whose event starts with its text.
    Action("ShowAllCurrentAction")->trigger();
    Filter([&](TZMStoreReportForm& d) {
        Check(d, 1);
        d.findChild<QCheckBox*>(QStringLiteral("YEventType2"))->setChecked(true);
    });
    const std::string alarm = Msg(729);
    EXPECT_EQ(Rows().size(), count([&](const TLogRow& r) { return r.event.rfind(alarm, 0) == 0; }));

    // Dates: the first row's day only.
    const std::string day = all.front().dateTime.substr(0, 8);
    const QDate date =
        QDate::fromString(QString::fromStdString(day), QStringLiteral("dd.MM.yy")).addYears(100);
    Filter([&](TZMStoreReportForm& d) {
        d.findChild<QTreeWidget*>(QStringLiteral("FiltersLV"))
            ->setCurrentItem(d.findChild<QTreeWidget*>(QStringLiteral("FiltersLV"))->topLevelItem(0));
        d.findChild<QDateEdit*>(QStringLiteral("DateTimePicker1"))->setDate(date);
        d.findChild<QDateEdit*>(QStringLiteral("DateTimePicker2"))->setDate(date);
    });
    EXPECT_EQ(Rows().size(), count([&](const TLogRow& r) { return r.dateTime.substr(0, 8) == day; }));

    // Combined: that day and that object together.
    Filter([&](TZMStoreReportForm& d) {
        Check(d, 0);
        Check(d, 2);
    });
    EXPECT_EQ(Rows().size(), count([&](const TLogRow& r) {
                  return r.dateTime.substr(0, 8) == day && r.range == withObject->range;
              }));

    // An object with no events: 266, and the list keeps what it showed.
    Action("ShowAllCurrentAction")->trigger();
    std::set<std::string> used;
    for (const TLogRow& r : all)
        used.insert(r.range);
    int unused = 1;
    while (used.count(object + std::to_string(unused)))
        ++unused;
    dialogs_.Clear();
    Filter([&](TZMStoreReportForm& d) {
        Check(d, 2);
        Type(d, "YObjsNumsCmB", QString::number(unused));
    });
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{Msg(266)});
    EXPECT_EQ(Rows().size(), all.size());

    // Not a number: said, and no query runs.
    dialogs_.Clear();
    Filter([&](TZMStoreReportForm& d) {
        Check(d, 2);
        Type(d, "YObjsNumsCmB", QStringLiteral("12a"));
    });
    ASSERT_EQ(dialogs_.Count(TKind::Inform), 1u);
    EXPECT_EQ(dialogs_.Calls()[0].icon, IDialogService::TIcon::Warning);
    EXPECT_EQ(Rows().size(), all.size());
}

TEST_F(EventLogWindow, TheDialogRefusesAStartAfterTheEndAndCountsTheCheckedItems) {
    Read();
    Filter([&](TZMStoreReportForm& d) {
        Check(d, 0);
        d.findChild<QDateEdit*>(QStringLiteral("DateTimePicker1"))->setDate(QDate(2026, 12, 10));
        d.findChild<QDateEdit*>(QStringLiteral("DateTimePicker2"))->setDate(QDate(2026, 12, 9));
    });
    EXPECT_EQ(Texts(TKind::Inform),
              std::vector<std::string>{"Ошибка ввода! Начальная дата больше конечной!"});
    EXPECT_EQ(dialogs_.Calls()[0].caption, "Сообщение системы");

    // Two items checked, the second page never shown: combined all the same.
    Filter([&](TZMStoreReportForm& d) {
        d.findChild<QDateEdit*>(QStringLiteral("DateTimePicker1"))->setDate(QDate(2000, 1, 1));
        Check(d, 0);
        Check(d, 4);
        d.findChild<QTreeWidget*>(QStringLiteral("FiltersLV"))
            ->setCurrentItem(d.findChild<QTreeWidget*>(QStringLiteral("FiltersLV"))->topLevelItem(0));
    });
    EXPECT_TRUE(filter_->Answer().combined);
    EXPECT_EQ(filter_->Answer().selected, 0);
}

TEST_F(EventLogWindow, FilesSaveAndOpenAndClosingDeletesExportsOnlyAfterYes) {
    Read();
    const std::vector<TLogRow> read = Rows();
    dialogs_.ScriptSaveFile(dir_ / "report" / "site");
    Action("FileSaveAction")->trigger();
    ASSERT_TRUE(fs::exists(dir_ / "report" / "site.yrpt"));
    EXPECT_EQ(Panel(0), Msg(265));

    form_->close();
    form_->show();
    EXPECT_EQ(form_->RowCount(), 0);
    EXPECT_FALSE(Action("FileSaveAction")->isEnabled()) << "nothing to save yet";
    dialogs_.ScriptOpenFile(dir_ / "report" / "site.yrpt");
    Action("FileOpenAction")->trigger();
    EXPECT_EQ(Panel(0), Msg(260));
    EXPECT_EQ(Rows(), read);
    EXPECT_TRUE(Action("ReportAction")->isEnabled());

    // A file that is not a log: said, and the list keeps its rows.
    WriteFile(dir_ / "report" / "broken.yrpt", "not a log");
    dialogs_.Clear();
    dialogs_.ScriptOpenFile(dir_ / "report" / "broken.yrpt");
    Action("FileOpenAction")->trigger();
    EXPECT_EQ(dialogs_.Count(TKind::Inform), 1u);
    EXPECT_EQ(Rows(), read);

    for (const bool yes : {false, true}) {
        WriteFile(dir_ / "report" / "export.htm", "<html></html>");
        form_->Session()->AddExportedFile(dir_ / "report" / "export.htm");
        dialogs_.Clear();
        dialogs_.ScriptAnswer(yes ? TAnswer::Yes : TAnswer::No);
        form_->close();
        EXPECT_EQ(Texts(TKind::Ask), std::vector<std::string>{Msg(349)});
        EXPECT_EQ(fs::exists(dir_ / "report" / "export.htm"), !yes);
        form_->show();
    }
}

// At the window's first size every column of the list shows: their widths together fit the view, also once
// a read log brings the vertical scroll bar, and the user can still drag each one wider.
TEST_F(EventLogWindow, TheColumnsFitTheListAtTheFirstSizeAndStayResizable) {
    QApplication::processEvents();
    auto* list = form_->findChild<QTableView*>(QStringLiteral("ListView1"));
    QHeaderView* header = list->horizontalHeader();
    const auto total = [&] {
        int sum = 0;
        for (int c = 0; c < header->count(); ++c)
            sum += header->sectionSize(c);
        return sum;
    };
    const auto expectFit = [&] {
        // The last column stretches over what is left: the others must leave it room.
        int others = 0;
        for (int c = 0; c + 1 < header->count(); ++c) {
            others += header->sectionSize(c);
            if (c != 1) {
                EXPECT_GE(header->sectionSize(c), 30) << "column " << c;
            }
        }
        EXPECT_LE(total(), list->viewport()->width());
        EXPECT_LE(others + 30, list->viewport()->width());
    };
    {
        SCOPED_TRACE("empty");
        expectFit();
    }
    Read();
    QApplication::processEvents();
    ASSERT_TRUE(list->verticalScrollBar()->isVisible());
    {
        SCOPED_TRACE("read");
        expectFit();
    }
    for (int c = 0; c + 1 < header->count(); ++c)
        EXPECT_EQ(header->sectionResizeMode(c), QHeaderView::Interactive) << c;
}

TEST_F(EventLogWindow, ExportsWriteTheShownRowsIntoTheReportFolderAndOpenThem) {
    Read();
    Action("ToolButton6")->trigger();
    const fs::path page = dir_ / "report" / "09_12_2026_0_05_07.htm";
    ASSERT_TRUE(fs::exists(page));
    ASSERT_EQ(opened_, std::vector<std::string>{page.string()});
    const std::string html = ReadText(page);
    EXPECT_NE(html.find("<td class=\"tableTitle\" style=\"width:200px;\">Дата/Время</td>"),
              std::string::npos);
    EXPECT_NE(html.find("<title>" + Msg(267) + "09.12.2026 0:05:07</title>"), std::string::npos);
    EXPECT_NE(html.find(">" + Rows().front().dateTime + "<"), std::string::npos);
    EXPECT_EQ(html.find(Rows().front().eventId), std::string::npos) << "EventID is not exported";

    Action("ToExcelAction")->trigger();
    const fs::path book = dir_ / "report" / "09_12_2026_0_05_07.xlsx";
    ASSERT_TRUE(fs::exists(book));
    EXPECT_EQ(opened_.back(), book.string());
    const auto strings =
        testing_process::Run({"/usr/bin/unzip", "-p", book.string(), "xl/sharedStrings.xml"});
    ASSERT_EQ(strings.exitCode, 0);
    for (const std::string& text :
         {std::string("Дата/Время"), std::string("Источник события"), Rows().back().event})
        EXPECT_NE(strings.out.find(text), std::string::npos) << text;

    // Nothing on the desktop opens them: each is written all the same and the box says where.
    desktopOpens_ = false;
    dialogs_.Clear();
    Action("ToExcelAction")->trigger();
    Action("ToolButton6")->trigger();
    EXPECT_EQ(Texts(TKind::Inform), (std::vector<std::string>{FormatTexts(Msg(918), {book.string()}),
                                                              FormatTexts(Msg(919), {page.string()})}));

    // The page is among the exported files that closing offers to delete.
    dialogs_.Clear();
    dialogs_.ScriptAnswer(TAnswer::Yes);
    form_->close();
    EXPECT_FALSE(fs::exists(page));
    EXPECT_TRUE(fs::exists(book));
    form_->show();
}

// A save or an export over a file the user may not write (no write bit: read-only for root too) keeps the
// file, and the box says which file and the system's reason; nothing is opened.
TEST_F(EventLogWindow, ASaveOrExportOverAReadOnlyFileSaysWhyInItsBox) {
    Read();
    fs::create_directories(dir_ / "report");
    const fs::path log = dir_ / "report" / "site.yrpt";
    const fs::path page = dir_ / "report" / "09_12_2026_0_05_07.htm";
    for (const fs::path& file : {log, page}) {
        WriteFile(file, "old");
        fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    dialogs_.Clear();
    dialogs_.ScriptSaveFile(log);
    dialogs_.ScriptAnswer(TAnswer::Yes);  // replace it
    Action("FileSaveAction")->trigger();
    const std::string refused = "cannot write " + log.string() + ": Permission denied";
    EXPECT_EQ(Texts(TKind::Inform), std::vector<std::string>{refused});
    EXPECT_EQ(Panel(0), refused) << "not the saved message";

    dialogs_.Clear();
    Action("ToolButton6")->trigger();
    EXPECT_EQ(Texts(TKind::Inform),
              std::vector<std::string>{"cannot write " + page.string() + ": Permission denied"});
    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(ReadText(log), "old");
    EXPECT_EQ(ReadText(page), "old");
}

TEST_F(EventLogWindow, HelpOpensOnceInTenSecondsAndWebAndMailGoToTheMaker) {
    Action("ShowHelpAction")->trigger();
    Action("ShowHelpAction")->trigger();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_TRUE(fs::path(opened_[0]).is_absolute());
    EXPECT_EQ(fs::path(opened_[0]).parent_path(), kBin / "help");
    EXPECT_TRUE(form_->findChild<QTimer*>(QStringLiteral("HelpTimer"))->isActive());
    Action("wwwAction")->trigger();
    Action("EmailAction")->trigger();
    ASSERT_EQ(opened_.size(), 3u);
    EXPECT_EQ(opened_[1], "http://" + Msg(345));
    EXPECT_EQ(opened_[2].rfind("mailto:" + Msg(344) + "?subject=", 0), 0u);
}

}  // namespace
}  // namespace mirca
