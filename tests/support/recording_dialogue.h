// A Dialogue for tests and benchmarks: records every message and dialog, and answers as the test sets.
#pragma once

#include "messages/messages.h"

#include <deque>
#include <string>
#include <vector>

namespace quarex::test {

// Installed as the current dialogue for its lifetime; the default dialogue comes back when it goes.
class RecordingDialogue final : public Dialogue {
public:
    // One message or dialog, in the order they came.
    struct Shown {
        std::string kind; // "error", "information", "question", "choice", "open" or "save"
        std::string text; // the message, the question of a choice; empty for file dialogs
        std::string title; // empty for a choice
        // A choice: its two or three options; a file dialog: filter, default name, extension.
        std::vector<std::string> details;
        int selection = -1; // a choice: the option selected on entry
    };

    RecordingDialogue() { setDialogue(this); }
    ~RecordingDialogue() override { setDialogue(nullptr); }
    RecordingDialogue(const RecordingDialogue&) = delete;
    RecordingDialogue& operator=(const RecordingDialogue&) = delete;

    void showError(const std::string& text, const std::string& title) override
    {
        errors.push_back(text);
        shown.push_back({ "error", text, title, {}, -1 });
    }
    void showInformation(const std::string& text, const std::string& title) override
    {
        infos.push_back(text);
        shown.push_back({ "information", text, title, {}, -1 });
    }
    int askQuestion(const std::string& text, const std::string& title) override
    {
        questions.push_back(text);
        shown.push_back({ "question", text, title, {}, -1 });
        if (questionAnswers.empty())
            return answer;
        int a = questionAnswers.front();
        questionAnswers.pop_front();
        return a;
    }
    int chooseOption(const std::string& question, const std::string& option1, const std::string& option2, int selection,
        const std::string* option3) override
    {
        std::vector<std::string> options { option1, option2 };
        if (option3)
            options.push_back(*option3);
        shown.push_back({ "choice", question, {}, std::move(options), selection });
        return choice;
    }
    std::string openFileName(const std::string& title, const std::string& filter, const std::string& defaultName,
        const std::string& ext) override
    {
        shown.push_back({ "open", {}, title, { filter, defaultName, ext }, -1 });
        return openAnswer;
    }
    std::string saveFileName(const std::string& title, const std::string& filter, const std::string& defaultName,
        const std::string& ext) override
    {
        shown.push_back({ "save", {}, title, { filter, defaultName, ext }, -1 });
        return saveAnswer;
    }

    // The last message or dialog of a kind, or nullptr when none came.
    const Shown* last(const std::string& kind) const
    {
        for (auto it = shown.rbegin(); it != shown.rend(); ++it)
            if (it->kind == kind)
                return &*it;
        return nullptr;
    }

    std::vector<Shown> shown;
    std::vector<std::string> errors; // texts of the error reports
    std::vector<std::string> infos; // texts of the information boxes
    std::vector<std::string> questions; // texts of the questions

    std::deque<int> questionAnswers; // given to the questions in turn
    int answer = AnswerCancel; // given to a question once questionAnswers is empty
    int choice = -1; // the option chosen (-1: cancelled)
    std::string openAnswer; // the open dialog's path ("" : cancelled)
    std::string saveAnswer; // the save dialog's path ("" : cancelled)
};

} // namespace quarex::test
