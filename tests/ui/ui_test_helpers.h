// Helpers shared by the window tests: answering modal boxes, and a Dialogue that records.
#pragma once

#include "lib/messages.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

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

// A Dialogue that records what would have been shown and gives canned answers.
class RecordingDialogue final : public Dialogue {
public:
    struct Shown {
        std::string kind;
        std::string text;
        std::string title;
    };
    void showError(const std::string& text, const std::string& title) override
    {
        shown.push_back({ "error", text, title });
    }
    void showInformation(const std::string& text, const std::string& title) override
    {
        shown.push_back({ "information", text, title });
    }
    int askQuestion(const std::string& text, const std::string& title) override
    {
        shown.push_back({ "question", text, title });
        return answer;
    }
    int chooseOption(
        const std::string& question, const std::string&, const std::string&, int, const std::string*) override
    {
        shown.push_back({ "choice", question, {} });
        return choice;
    }
    std::string openFileName(
        const std::string& title, const std::string&, const std::string&, const std::string&) override
    {
        shown.push_back({ "open", {}, title });
        return {};
    }
    std::string saveFileName(
        const std::string& title, const std::string&, const std::string&, const std::string&) override
    {
        shown.push_back({ "save", {}, title });
        return {};
    }

    std::vector<Shown> shown;
    int answer = AnswerCancel;
    int choice = -1;
};

// Installs a dialogue for the life of a test.
class ScopedDialogue {
public:
    explicit ScopedDialogue(Dialogue& d) { setDialogue(&d); }
    ~ScopedDialogue() { setDialogue(nullptr); }
    ScopedDialogue(const ScopedDialogue&) = delete;
    ScopedDialogue& operator=(const ScopedDialogue&) = delete;
};

} // namespace quarex::test
