#include "ui/busy_qt.h"

#include "messages/messages.h"
#include "text/string_table.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>

namespace quarex {

namespace {

    QPointer<QStatusBar> g_statusBar;

    QLabel* messagePanel()
    {
        if (!g_statusBar)
            return nullptr;
        return g_statusBar->findChild<QLabel*>(QStringLiteral("Msg"));
    }

} // namespace

void setMainStatusBar(QStatusBar* bar) { g_statusBar = bar; }

QStatusBar* mainStatusBar() { return g_statusBar.data(); }

void MainMsg(const std::string& text)
{
    // Without a main window (a dialog used on its own) there is no line to write.
    if (!g_statusBar)
        return;
    QLabel* panel = messagePanel();
    if (!panel) {
        AfficheErreur("Error in MainMsg()");
        return;
    }
    QString shown = QString::fromStdString(text);
    if (panel->text() == shown)
        return;
    panel->setText(shown);
    // Long operations run on the event thread: paint now, before the caller goes on.
    panel->repaint();
}

std::string currentMainMsg()
{
    QLabel* panel = messagePanel();
    return panel ? panel->text().toStdString() : std::string();
}

void BusyOn() { BusyOn(sLoadString(295)); }

void BusyOn(const std::string& message)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        const QCursor* cursor = QApplication::overrideCursor();
        if (!cursor)
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else if (cursor->shape() != Qt::WaitCursor)
            QApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
    }
    MainMsg(message);
}

void restoreDefaultPointer()
{
    // Busy calls do not nest: every pointer set over the default one goes at once.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
}

void BusyOff()
{
    restoreDefaultPointer();
    MainMsg(std::string());
}

bool isBusy()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

} // namespace quarex
