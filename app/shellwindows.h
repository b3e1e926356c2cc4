#pragma once

#include <QDialog>
#include <QObject>

class QLabel;

namespace mirca {

// A window whose content arrives in a later version: its caption and one line that says so.
class TPendingWindow : public QDialog {
    Q_OBJECT
public:
    TPendingWindow(const QString& objectName, QWidget* parent);

protected:
    void changeEvent(QEvent* event) override;
    virtual void retranslateUi() = 0;
    void RetranslateNotice();

private:
    QLabel* notice_;
};

class TNotifTypeForm : public TPendingWindow {
    Q_OBJECT
public:
    explicit TNotifTypeForm(QWidget* parent = nullptr);

protected:
    void retranslateUi() override;
};

class TSelectBMFrm : public TPendingWindow {
    Q_OBJECT
public:
    explicit TSelectBMFrm(QWidget* parent = nullptr);

protected:
    void retranslateUi() override;
};

class TUncompFileSelectFrm : public TPendingWindow {
    Q_OBJECT
public:
    explicit TUncompFileSelectFrm(QWidget* parent = nullptr);

protected:
    void retranslateUi() override;
};

// The event database's data module: no window, only a named object that lives for the whole run.
class TDM2 : public QObject {
    Q_OBJECT
public:
    explicit TDM2(QObject* parent = nullptr);
};

}  // namespace mirca
