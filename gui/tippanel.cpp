#include "gui/tippanel.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "gui/qtpath.h"

namespace mirca {

namespace {

constexpr int kCollapsedHeight = 150;

// A triangle that points where a click takes the panel, plain, under the mouse and pressed; collapsed 0 to
// 2, expanded 3 to 5.
QIcon TipImage(int index) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const int state = index % 3;
    const QColor colour = state == 0   ? QColor(90, 90, 90)
                          : state == 1 ? QColor(30, 110, 210)
                                       : QColor(10, 60, 140);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const double dy = state == 2 ? 1 : 0;
    QPolygonF triangle;
    if (index < 3)
        triangle << QPointF(3, 11 + dy) << QPointF(13, 11 + dy) << QPointF(8, 5 + dy);  // expands upwards
    else
        triangle << QPointF(3, 5 + dy) << QPointF(13, 5 + dy) << QPointF(8, 11 + dy);
    p.drawPolygon(triangle);
    return QIcon(pixmap);
}

}  // namespace

TTipPanel::TTipPanel(std::function<int()> expandedHeight, QWidget* parent)
    : QWidget(parent), expandedHeight_(std::move(expandedHeight)) {
    setObjectName(QStringLiteral("TipPanel"));
    for (int i = 0; i < 6; ++i)
        images_[i] = TipImage(i);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tab_ = new QTabBar(this);
    tab_->setObjectName(QStringLiteral("TabControl1"));
    tab_->addTab(QString());
    tab_->setIconSize(QSize(16, 16));
    tab_->setDrawBase(true);
    tab_->setExpanding(false);
    tab_->installEventFilter(this);
    tab_->setAttribute(Qt::WA_Hover);
    layout->addWidget(tab_);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("TipBrowser"));
    // Tips are local pages; a link out of them goes to the desktop's browser.
    browser_->setOpenExternalLinks(true);
    layout->addWidget(browser_, 1);
    collapsedHeight_ = kCollapsedHeight;
    setFixedHeight(collapsedHeight_);
    UpdateImage();
    Retranslate();
}

void TTipPanel::ShowPage(const std::filesystem::path& page) {
    if (page.empty())
        browser_->clear();
    else
        browser_->setSource(QUrl::fromLocalFile(ToQString(page)));
}

void TTipPanel::Toggle() {
    expanded_ = !expanded_;
    if (expanded_) {
        collapsedHeight_ = height();
        setFixedHeight(std::max(collapsedHeight_, expandedHeight_()));
    } else {
        setFixedHeight(collapsedHeight_);
    }
    UpdateImage();
    emit Toggled(expanded_);
}

void TTipPanel::FollowResize() {
    if (expanded_) setFixedHeight(std::max(collapsedHeight_, expandedHeight_()));
}

void TTipPanel::Retranslate() {
    tab_->setTabText(0, tr("Совет"));
    tab_->setTabToolTip(0, tr("Развернуть/свернуть совет"));
}

void TTipPanel::UpdateImage() {
    const int state = pressed_ ? 2 : hover_ ? 1 : 0;
    const int index = (expanded_ ? 3 : 0) + state;
    tab_->setTabIcon(0, images_[index]);
    tab_->setProperty("imageIndex", index);
}

bool TTipPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tab_) {
        switch (event->type()) {
            case QEvent::Enter:
                hover_ = true;
                UpdateImage();
                break;
            case QEvent::Leave:
                hover_ = false;
                pressed_ = false;
                UpdateImage();
                break;
            case QEvent::MouseButtonPress:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    pressed_ = true;
                    UpdateImage();
                }
                return true;
            case QEvent::MouseButtonRelease:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    pressed_ = false;
                    hover_ = true;
                    Toggle();
                }
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace mirca
