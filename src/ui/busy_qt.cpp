#include "ui/busy_qt.h"

#include "messages/messages.h"
#include "text/string_table.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

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
    // A busy message (a new task) takes the place of a notice still shown.
    if (!text.empty() && isBusy() && !g_statusBar->currentMessage().isEmpty())
        g_statusBar->clearMessage();
    QString shown = QString::fromStdString(text);
    if (panel->text() == shown)
        return;
    panel->setText(shown);
    // Long operations run on the event thread: paint now, before the caller goes on.
    panel->repaint();
}

void MainNotice(const std::string& text, int milliseconds)
{
    if (!g_statusBar)
        return;
    g_statusBar->showMessage(QString::fromStdString(text), milliseconds);
    g_statusBar->repaint();
}

std::string currentMainNotice() { return g_statusBar ? g_statusBar->currentMessage().toStdString() : std::string(); }

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

BusyProgress::BusyProgress()
    : BusyProgress(sLoadString(295))
{
}

BusyProgress::BusyProgress(const std::string& message)
{
    BusyOn(message);
    if (QStatusBar* bar = mainStatusBar()) {
        m_bar = new QProgressBar(bar);
        m_bar->setObjectName(QStringLiteral("Progression"));
        m_bar->setMaximumWidth(220);
        m_bar->setRange(0, 0);
        bar->addPermanentWidget(m_bar);
        m_bar->show();
    }
    paint();
    m_clock.start();
}

BusyProgress::~BusyProgress()
{
    if (m_bar) {
        if (QStatusBar* bar = mainStatusBar())
            bar->removeWidget(m_bar);
        delete m_bar.data();
    }
}

void BusyProgress::step(long long done, long long total)
{
    if (!m_clock.hasExpired(100))
        return;
    if (m_bar) {
        // The bar counts in int: large totals are brought down to thousandths.
        if (total <= 0) {
            m_bar->setRange(0, 0);
        } else {
            m_bar->setRange(0, 1000);
            m_bar->setValue(static_cast<int>(std::clamp(done, 0LL, total) * 1000 / total));
        }
    }
    paint();
    m_clock.restart();
}

void BusyProgress::paint()
{
    QStatusBar* bar = mainStatusBar();
    if (!bar)
        return;
    ++m_repaints;
    bar->window()->repaint();
}

bool isBusy()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

} // namespace quarex
