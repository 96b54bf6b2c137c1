#include "ui/app_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

QPixmap applicationPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // The disc.
    QRadialGradient shine(QPointF(12, 12), 14);
    shine.setColorAt(0.0, QColor(235, 240, 255));
    shine.setColorAt(0.5, QColor(180, 200, 235));
    shine.setColorAt(1.0, QColor(140, 150, 200));
    p.setPen(QPen(QColor(70, 70, 110), 1));
    p.setBrush(shine);
    p.drawEllipse(QPointF(13, 13), 12, 12);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(13, 13), 3, 3);
    // The magnifying glass.
    p.setPen(QPen(QColor(90, 60, 20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(23, 23), QPointF(30, 30));
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(255, 255, 220, 150));
    p.drawEllipse(QPointF(20, 20), 5, 5);
    return pixmap;
}

QPixmap printerPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(4, 1, 7, 5); // paper in
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(1, 6, 13, 6); // body
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(4, 10, 7, 4); // paper out
    p.setPen(QColor(0, 128, 0));
    p.drawPoint(12, 8);
    return pixmap;
}
