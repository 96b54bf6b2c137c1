// A rule drawn with a companion line beside it so that it looks engraved (Line1, Line2 of the main window).
#pragma once

#include <QWidget>

class EtchedLine : public QWidget {
    Q_OBJECT
public:
    explicit EtchedLine(QWidget* parent = nullptr);

    // Horizontal when the widget is wider than tall.
    bool isHorizontal() const { return width() >= height(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
