#include "plugin/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A mast sending two arcs of waves to the right, on a rounded blue tile.
QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0xa8));
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    QPen mast(Qt::white, qMax(1.5, s / 12.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(mast);
    const QPointF top(s * 0.32, s * 0.22);
    painter.drawLine(top, QPointF(s * 0.18, s * 0.84));
    painter.drawLine(top, QPointF(s * 0.46, s * 0.84));
    painter.drawLine(QPointF(s * 0.24, s * 0.58), QPointF(s * 0.40, s * 0.58));

    QPen wave(QColor(0xff, 0xd4, 0x3b), qMax(1.2, s / 14.0), Qt::SolidLine, Qt::RoundCap);
    painter.setPen(wave);
    painter.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 2; ++i) {
        const qreal r = s * 0.16 * i;
        painter.drawArc(QRectF(top.x() - r, top.y() - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
    }
    return pixmap;
}

}  // namespace

QIcon TolvaneIcon() {
    QIcon icon;
    for (int size : {48, 32, 16}) {
        icon.addPixmap(DrawIcon(size));
    }
    return icon;
}
