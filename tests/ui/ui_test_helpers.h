// Helpers shared by the window tests: answering modal boxes (the recording Dialogue is in support/).
#pragma once

#include "support/recording_dialogue.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace quarex::test {

// Runs `action` on the next modal window that opens (polled from the event loop the modal runs).
inline void whenModalOpens(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

} // namespace quarex::test
