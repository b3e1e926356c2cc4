#include "app/shellwindows.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "base/catalogue.h"

namespace mirca {

TPendingWindow::TPendingWindow(const QString& objectName, QWidget* parent)
    : QDialog(parent), notice_(new QLabel(this)) {
    setObjectName(objectName);
    notice_->setObjectName(QStringLiteral("PendingLabel"));
    notice_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(notice_);
    resize(420, 120);
}

void TPendingWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslateUi();
    QDialog::changeEvent(event);
}

void TPendingWindow::RetranslateNotice() {
    notice_->setText(tr("Это окно появится в следующей версии программы."));
}

TNotifTypeForm::TNotifTypeForm(QWidget* parent) : TPendingWindow(QStringLiteral("NotifTypeForm"), parent) {
    retranslateUi();
}

void TNotifTypeForm::retranslateUi() {
    setWindowTitle(tr("Типы извещений"));
    RetranslateNotice();
}

TSelectBMFrm::TSelectBMFrm(QWidget* parent) : TPendingWindow(QStringLiteral("SelectBMFrm"), parent) {
    retranslateUi();
}

void TSelectBMFrm::retranslateUi() {
    setWindowTitle(tr("Выбор модуля"));
    RetranslateNotice();
}

TUncompFileSelectFrm::TUncompFileSelectFrm(QWidget* parent)
    : TPendingWindow(QStringLiteral("UncompFileSelectFrm"), parent) {
    retranslateUi();
}

void TUncompFileSelectFrm::retranslateUi() {
    setWindowTitle(tr("Выбор файла конфигурации"));
    RetranslateNotice();
}

TDM2::TDM2(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("DM2"));
}

}  // namespace mirca
