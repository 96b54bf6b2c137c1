// The help panel of the option windows: each control carries its help text, shown in the window's panel
// when the pointer enters the control.
#pragma once

#include <QEvent>
#include <QLabel>
#include <QString>
#include <QWidget>

namespace quarex {

// Gives a control its help text and lets `window` watch the pointer entering it.
inline void setControlHelp(QWidget* control, const QString& help, QObject* window)
{
    control->setProperty("helpText", help);
    control->installEventFilter(window);
}

// For a window's event filter: shows the help of `watched` in the panel when the pointer enters it.
inline void showControlHelp(QLabel* panel, const QObject* watched, const QEvent* event)
{
    if (event->type() != QEvent::Enter)
        return;
    QString help = watched->property("helpText").toString();
    if (!help.isEmpty() && panel->text() != help)
        panel->setText(help);
}

} // namespace quarex
