#include "gui/windowkit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QThread>

#include <algorithm>

namespace mirca {

void TPumpingSleeper::Sleep(std::uint32_t ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(5);
    }
}

void TGaugeProgress::SetMax(std::uint32_t max) {
    max_ = max;
    done_ = 0;
}

void TGaugeProgress::Advance() {
    ++done_;
    if (max_) gauge_.setValue(static_cast<int>(std::min<std::uint64_t>(100, done_ * 100ull / max_)));
}

void TGaugeProgress::Pump() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

namespace {

QPixmap Canvas() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace

QIcon TransferIcon(bool toPanel) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(225, 225, 215));
    p.drawRoundedRect(QRectF(12.5, 3.5, 10, 17), 2, 2);
    p.setBrush(QColor(90, 160, 90));
    p.drawRect(QRectF(14.5, 6, 6, 4));
    const QColor arrow = toPanel ? QColor(200, 70, 30) : QColor(30, 100, 200);
    p.setPen(QPen(arrow, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 14), QPointF(10, 14));
    QPainterPath head;
    if (toPanel) {
        head.moveTo(12, 14), head.lineTo(7, 9.5), head.lineTo(7, 18.5);
    } else {
        head.moveTo(1, 14), head.lineTo(6, 9.5), head.lineTo(6, 18.5);
    }
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(arrow);
    p.drawPath(head);
    return QIcon(pixmap);
}

QPixmap PlugPixmap(bool joined, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    const QColor colour = joined ? QColor(40, 150, 60) : QColor(190, 50, 40);
    const double gap = joined ? 0 : 4;
    p.setPen(QPen(colour.darker(130), 1.2));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(3 - gap / 2, 7, 8, 10), 2, 2);
    p.drawRoundedRect(QRectF(13 + gap / 2, 7, 8, 10), 2, 2);
    p.setPen(QPen(colour.darker(130), 2));
    p.drawLine(QPointF(0, 12), QPointF(3 - gap / 2, 12));
    p.drawLine(QPointF(21 + gap / 2, 12), QPointF(24, 12));
    p.drawLine(QPointF(11 - gap / 2, 10), QPointF(13 + gap / 2, 10));
    p.drawLine(QPointF(11 - gap / 2, 14), QPointF(13 + gap / 2, 14));
    return pixmap;
}

QIcon SheetIcon() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 110, 60), 1.5));
    p.setBrush(QColor(235, 250, 235));
    p.drawRect(QRectF(3.5, 3.5, 17, 17));
    p.setPen(QPen(QColor(30, 110, 60), 1));
    for (double y : {8.5, 12.5, 16.5})
        p.drawLine(QPointF(3.5, y), QPointF(20.5, y));
    p.drawLine(QPointF(9.5, 3.5), QPointF(9.5, 20.5));
    p.fillRect(QRectF(4, 4, 16.5, 4), QColor(30, 110, 60));
    return QIcon(pixmap);
}

QIcon WebPageIcon() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(70, 70, 70), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 2.5, 15, 19));
    p.setPen(QPen(QColor(200, 90, 30), 2));
    p.drawText(QRectF(4.5, 5, 15, 15), Qt::AlignCenter, QStringLiteral("</>"));
    return QIcon(pixmap);
}

QIcon FunnelIcon() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 80, 150), 1.5));
    p.setBrush(QColor(150, 190, 240));
    QPolygonF funnel;
    funnel << QPointF(3, 4) << QPointF(21, 4) << QPointF(14, 12) << QPointF(14, 20) << QPointF(10, 18)
           << QPointF(10, 12);
    p.drawPolygon(funnel);
    return QIcon(pixmap);
}

}  // namespace mirca
