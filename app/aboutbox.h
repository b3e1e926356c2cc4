#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace mirca {

// "О программе": product name, version text and description; shown modally by the working windows.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void retranslateUi();

    QLabel* programIcon_;
    QLabel* productName_;
    QLabel* version_;
    QLabel* verString_;
    QLabel* maker_;
    QLabel* comments_;
    QPushButton* okButton_;
};

}  // namespace mirca
