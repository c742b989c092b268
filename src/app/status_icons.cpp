#include "app/status_icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {

QPixmap drawIcon(const std::function<void(QPainter&)>& draw)
{
    QImage image(StatusIcons::Size, StatusIcons::Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QPixmap::fromImage(image);
}

QPainterPath tick(QPointF start, QPointF bottom, QPointF end)
{
    QPainterPath path(start);
    path.lineTo(bottom);
    path.lineTo(end);
    return path;
}

QPen roundPen(QColor color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

}

std::vector<QPixmap> StatusIcons::Create() { return { Normal(), Paused(), Dead() }; }

QPixmap StatusIcons::Normal()
{
    return drawIcon([](QPainter& painter) {
        painter.setPen(roundPen(QColor(0, 150, 0), 2.6));
        painter.drawPath(tick({ 2.5, 8.5 }, { 6.0, 12.5 }, { 13.5, 3.0 }));
    });
}

QPixmap StatusIcons::Paused()
{
    return drawIcon([](QPainter& painter) {
        // A sheet with its top right corner folded down.
        QPainterPath sheet({ 2.5, 0.5 });
        sheet.lineTo(10.0, 0.5);
        sheet.lineTo(13.5, 4.0);
        sheet.lineTo(13.5, 15.5);
        sheet.lineTo(2.5, 15.5);
        sheet.closeSubpath();
        painter.setPen(QPen(QColor(96, 96, 96), 1.0));
        painter.setBrush(Qt::white);
        painter.drawPath(sheet);
        painter.drawPolyline(QPolygonF({ { 10.0, 0.5 }, { 10.0, 4.0 }, { 13.5, 4.0 } }));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(roundPen(QColor(128, 0, 0), 1.8));
        painter.drawPath(tick({ 4.5, 9.0 }, { 7.0, 12.0 }, { 11.5, 6.0 }));
    });
}

QPixmap StatusIcons::Dead()
{
    return drawIcon([](QPainter& painter) {
        painter.setPen(roundPen(QColor(220, 0, 0), 2.8));
        painter.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        painter.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    });
}
