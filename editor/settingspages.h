#pragma once

#include <QSpinBox>

#include "editor/boundpage.h"
#include "editor/settingsrules.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace mirca {

// An up-down with its edit that takes any number typed: one beyond the range becomes the nearest bound
// instead of being refused keystroke by keystroke.
class TClampingSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    QLineEdit* Edit() const { return lineEdit(); }

protected:
    QValidator::State validate(QString& input, int& pos) const override;
};

// Passwords, the password reset permission, and the modes and durations of the internal and external sound
// and of the display backlight. A password that breaks its rule keeps the page: the box says why once, and
// the edit takes the focus.
class TMainSettingsPage : public TBoundPage {
    Q_OBJECT
public:
    TMainSettingsPage(const TPageServices& services, QWidget* parent);

    void Fill(const TPageData& data) override;
    void Commit() override;
    void Retranslate() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TTimedControls {
        QGroupBox* group = nullptr;
        QButtonGroup* modes = nullptr;
        TClampingSpinBox* duration = nullptr;
        QLabel* range = nullptr;  // "(1c-255c)": the duration's range in seconds
        int low = 0;
        int high = 0;
    };
    TTimedControls AddTimed(const char* groupName, const char* spinName, const char* editName,
                            const TDurationRange& range, bool backlight);
    void EnableDuration(const TTimedControls& controls, bool backlight);
    void ShowTimed(const TTimedControls& controls, const TTimedMode& mode, bool backlight);
    TTimedMode Timed(const TTimedControls& controls) const;
    // The check of one password: passes and sets the leave permission, or, while the permission is set,
    // clears it, says why and gives the edit the focus.
    bool CheckPassword(TPasswordKind kind);

    TPageData data_;
    QLineEdit* operatorPassword_ = nullptr;
    QLineEdit* engineerPassword_ = nullptr;
    QComboBox* passwordReset_ = nullptr;
    TTimedControls internal_;
    TTimedControls external_;
    TTimedControls backlight_;
    std::vector<std::pair<QLabel*, const char*>> labels_;
};

// The confirmation codes: the maximum code number and the grid of codes 1 to the maximum, edited one cell at
// a time in an editor laid over the cell.
class TCodesPage : public TBoundPage {
    Q_OBJECT
public:
    TCodesPage(const TPageServices& services, QWidget* parent);

    void Fill(const TPageData& data) override;
    void Commit() override;
    void Retranslate() override;

    // The code edit pending mark: the cell editor was entered or changed and not yet committed.
    bool EditPending() const { return pending_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MaximumChanged(int maximum);
    void ShowCodes();
    void PlaceEditor(int row);
    // Commits the cell editor into its row: the checks, the box, and the row's new code.
    void CommitEditor();
    // Puts the cell editor away without its entry: the row keeps its code.
    void CancelEditor();

    TPageData data_;
    TCodeList codes_;
    TClampingSpinBox* maximum_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QLineEdit* editor_ = nullptr;
    int editorRow_ = -1;  // the grid row the editor belongs to
    bool pending_ = false;
    bool committing_ = false;
    std::vector<std::pair<QLabel*, const char*>> labels_;
};

}  // namespace mirca
