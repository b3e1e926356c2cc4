#pragma once

#include <QDialog>

#include <vector>

#include "base/dialogs.h"
#include "eventlog/logsession.h"

class QComboBox;
class QDateEdit;
class QCheckBox;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace mirca {

// "Настройка фильтров": which filters the event list gets. The values of its pages stay between showings;
// the filter list and the combined answer are made anew each time.
class TZMStoreReportForm : public QDialog {
    Q_OBJECT
public:
    explicit TZMStoreReportForm(IDialogService& dialogs, QWidget* parent = nullptr);

    // Shows the dialog for a log of that system (only system 6 has filters); true after "Применить".
    bool Ask(unsigned systemNumber);
    // What the user chose, for the window's query.
    TLogFilter Answer() const;

public slots:
    void accept() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslateUi();
    void Prepare(unsigned systemNumber);
    void ItemChanged(QTreeWidgetItem* item);
    void ShowItemPage(QTreeWidgetItem* item);
    // The start date after the end date: said, and the start date moved to the end date when asked.
    bool DatesInOrder(bool fix);

    IDialogService& dialogs_;
    QTreeWidget* filters_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QDateEdit* from_ = nullptr;
    QDateEdit* to_ = nullptr;
    QWidget* types_ = nullptr;
    std::vector<QCheckBox*> typeChecks_;
    QComboBox* object_ = nullptr;
    QComboBox* uoo_ = nullptr;
    QComboBox* uop_ = nullptr;
    bool combined_ = false;
    bool filling_ = false;
};

}  // namespace mirca
