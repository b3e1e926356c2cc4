#pragma once

#include <QDialog>
#include <QPointer>

#include <vector>

#include "editor/boundpage.h"
#include "editor/sysoutlist.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace mirca {

// The binding of one system output: the device, its address and output, the work mode and the duration. It
// offers only outputs no other system output uses.
class TYSysOutAssignInSysForm : public QDialog {
    Q_OBJECT
public:
    explicit TYSysOutAssignInSysForm(QWidget* parent = nullptr);

    // Shows the binding of `row` (from 0) of the list, with the relay module addresses of `modules`.
    void Prepare(const TSysOutRows& rows, std::size_t row, const TYAdrMR& modules);
    // The binding chosen; valid after the dialog was accepted.
    TSysOutRow Result() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslateUi();
    void TypeSelected(int index);
    void AddressSelected(int index);
    void OutputSelected(int index);
    void ModeSelected(int mode);
    TOutputDevice Kind() const;
    void SetDuration(std::uint8_t minutes);

    TSysOutRows rows_{};
    std::size_t row_ = 0;
    TYAdrMR modules_{};
    QGroupBox* currentGroup_ = nullptr;
    QGroupBox* newGroup_ = nullptr;
    QGroupBox* settingsGroup_ = nullptr;
    QLabel* current_[4] = {};
    QLabel* currentCaptions_[4] = {};
    QLabel* newCaptions_[3] = {};
    QComboBox* type_ = nullptr;
    QComboBox* address_ = nullptr;
    QComboBox* output_ = nullptr;
    QGroupBox* modeGroup_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    QLabel* extraLabel_ = nullptr;
    QLabel* durationLabel_ = nullptr;
    QComboBox* duration_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// The list of the 35 system outputs with their bindings, modes and durations. A double click on a row opens
// the binding dialog; deleting a row also takes that system output from every object.
class TSysOutsPage : public TBoundPage {
    Q_OBJECT
public:
    TSysOutsPage(const TPageServices& services, QWidget* parent);

    void Fill(const TPageData& data) override;
    void Commit() override;
    void Retranslate() override;

    // The dialog the program made at start; without one the page makes its own on first use.
    void SetBindingDialog(TYSysOutAssignInSysForm* dialog) { dialog_ = dialog; }
    TYSysOutAssignInSysForm* BindingDialog();

private:
    void ShowRows();
    void RowClicked();
    void OpenBinding(QTreeWidgetItem* item);
    void BindingAccepted();
    void DeleteRow();
    void ClearRows();
    int SelectedRow() const;

    TPageData data_;
    TSysOutRows rows_{};
    QTreeWidget* list_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPointer<TYSysOutAssignInSysForm> dialog_;
    std::unique_ptr<TYSysOutAssignInSysForm> ownDialog_;
    int bindingRow_ = -1;
};

// The texts the list shows for a row: device type, address, output, mode and time; empty for an unbound row.
std::vector<std::string> SysOutRowTexts(const TSysOutRow& row);

}  // namespace mirca
