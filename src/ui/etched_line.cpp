#include "ui/etched_line.h"

#include <QPainter>

EtchedLine::EtchedLine(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void EtchedLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor shade(128, 128, 128);
    const QColor light(255, 255, 255);
    if (isHorizontal()) {
        p.setPen(shade);
        p.drawLine(0, 0, width() - 1, 0);
        p.setPen(light);
        p.drawLine(0, 1, width() - 1, 1);
    } else {
        p.setPen(shade);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(light);
        p.drawLine(1, 0, 1, height() - 1);
    }
}
