#include "app/aboutbox.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/settings.h"
#include "base/catalogue.h"
#include "gui/icons.h"

namespace mirca {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);

    programIcon_ = new QLabel(panel);
    programIcon_->setObjectName(QStringLiteral("ProgramIcon"));
    setWindowIcon(ProgramIcon());
    programIcon_->setPixmap(ProgramIcon().pixmap(48, 48));

    productName_ = new QLabel(panel);
    productName_->setObjectName(QStringLiteral("ProductName"));
    QFont bold = productName_->font();
    bold.setBold(true);
    productName_->setFont(bold);
    version_ = new QLabel(panel);
    version_->setObjectName(QStringLiteral("Version"));
    verString_ = new QLabel(panel);
    verString_->setObjectName(QStringLiteral("VerString"));
    maker_ = new QLabel(panel);
    maker_->setObjectName(QStringLiteral("Copyright"));
    comments_ = new QLabel(panel);
    comments_->setObjectName(QStringLiteral("Comments"));
    comments_->setWordWrap(true);
    comments_->setMinimumWidth(300);

    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(version_);
    versionRow->addWidget(verString_);
    versionRow->addStretch();

    auto* texts = new QVBoxLayout;
    texts->addWidget(productName_);
    texts->addLayout(versionRow);
    texts->addWidget(maker_);

    auto* panelLayout = new QGridLayout(panel);
    panelLayout->addWidget(programIcon_, 0, 0, Qt::AlignTop);
    panelLayout->addLayout(texts, 0, 1);
    panelLayout->addWidget(comments_, 1, 0, 1, 2);

    okButton_ = new QPushButton(this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(okButton_, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Run-time texts: the version and the catalogue's product name and description.
    verString_->setText(QString::fromStdString(VersionText(MIRCA_VERSION)));
    productName_->setText(QString::fromStdString(Msg(765)));
    comments_->setText(QString::fromStdString(Msg(764)));
    retranslateUi();
}

void TAboutBox::retranslateUi() {
    setWindowTitle(tr("О программе"));
    version_->setText(tr("Версия:"));
    maker_->setText(tr("Vorn"));
    okButton_->setText(tr("OK"));
}

void TAboutBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslateUi();
    QDialog::changeEvent(event);
}

void TAboutBox::showEvent(QShowEvent* event) {
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

}  // namespace mirca
