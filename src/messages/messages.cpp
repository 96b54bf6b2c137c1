#include "messages/messages.h"

#include "text/string_table.h"
#include "text/text.h"

#include <cstring>
#include <iostream>

namespace quarex {

namespace {

    thread_local CurrentError g_error;

    // A message as the terminal shows it: its lines, each with its control characters escaped (names in
    // messages come from the disc).
    std::string terminalText(const std::string& text)
    {
        std::string out;
        std::string_view rest = text;
        while (true) {
            std::size_t end = rest.find("\r\n");
            out += escapeControls(rest.substr(0, end));
            if (end == std::string_view::npos)
                return out;
            out += '\n';
            rest.remove_prefix(end + 2);
        }
    }

    // Used when no window is there: errors and information go to standard error, questions get Cancel.
    class ConsoleDialogue final : public Dialogue {
    public:
        void showError(const std::string& text, const std::string& title) override
        {
            std::cerr << terminalText(title) << ": " << terminalText(text) << '\n';
        }
        void showInformation(const std::string& text, const std::string&) override
        {
            std::cerr << terminalText(text) << '\n';
        }
        int askQuestion(const std::string&, const std::string&) override { return AnswerCancel; }
        int chooseOption(const std::string&, const std::string&, const std::string&, int, const std::string*) override
        {
            return -1;
        }
        std::string openFileName(const std::string&, const std::string&, const std::string&, const std::string&) override
        {
            return {};
        }
        std::string saveFileName(const std::string&, const std::string&, const std::string&, const std::string&) override
        {
            return {};
        }
    };

    ConsoleDialogue g_console;
    Dialogue* g_dialogue = nullptr;

} // namespace

void raiseError(int number, std::string description, std::string source, int systemCode)
{
    g_error = CurrentError { number, 0, std::move(description), std::move(source), systemCode };
}

void raiseSystemError(std::string description, int systemCode)
{
    raiseError(75, std::move(description), "Quarex", systemCode);
}

const CurrentError& currentError() { return g_error; }

void clearError() { g_error = CurrentError {}; }

std::string systemErrorText(int code)
{
    if (code == 0)
        return {};
    char buffer[500];
    // GNU strerror_r returns the message pointer, which may not be the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return trim(text ? text : "");
}

std::string sTexteErreur(const std::string& context, const CurrentError& error, const std::string& systemText)
{
    std::string text = context;
    if (error.number == 0)
        return text;
    text += "\r\n\r\nError #" + std::to_string(error.number);
    if (error.line != 0)
        text += " - Line " + sLoadString(249) + " " + std::to_string(error.line);
    text += " by " + error.source;
    if (!error.description.empty())
        text += "\r\n" + error.description;
    if (!systemText.empty())
        text += "\r\n\r\n" + systemText;
    return text;
}

Dialogue& dialogue() { return g_dialogue ? *g_dialogue : g_console; }

void setDialogue(Dialogue* d) { g_dialogue = d; }

void AfficheErreur(const std::string& context)
{
    Dialogue& d = dialogue();
    d.restorePointer();
    std::string text = sTexteErreur(context, g_error, systemErrorText(g_error.systemCode));
    d.showError(text, "Error message");
    clearError();
}

void AfficheInfo(const std::string& text, const std::string& title)
{
    clearError();
    Dialogue& d = dialogue();
    d.restorePointer();
    d.showInformation(text, title);
}

int iQuestion(const std::string& text, const std::string& title)
{
    Dialogue& d = dialogue();
    d.restorePointer();
    int answer = d.askQuestion(text, title.empty() ? sLoadString(197) : title);
    return answer == AnswerYes || answer == AnswerNo ? answer : AnswerCancel;
}

int iChoixOptions(const std::string& question, const std::string& option1, const std::string& option2, int selection,
    const std::string* option3)
{
    Dialogue& d = dialogue();
    d.restorePointer();
    int max = option3 ? 2 : 1;
    if (selection < 0 || selection > max)
        selection = 0;
    int result = d.chooseOption(question, option1, option2, selection, option3);
    return result >= 0 && result <= max ? result : -1;
}

std::string sMessageErreurFichier(const std::string& fileName, int code)
{
    switch (code) {
    case -55:
        return sLoadString(290) + fileName;
    case -45:
        return sLoadString(282) + fileName;
    case -40:
        return sLoadString(284) + fileName;
    case -30:
        return sLoadString(296) + fileName;
    case -20:
        return fileName + " <You probably didn't enter a drive letter. No drive> change was made";
    case -15:
        return fileName + " <Close the door on your drive> and try again";
    case -10:
        return fileName + " <The drive> is not available. No drive change was made";
    default:
        return {};
    }
}

void AfficheErreurFichier(const std::string& fileName, int code)
{
    std::string text = sMessageErreurFichier(fileName, code);
    if (!text.empty())
        AfficheErreur(text);
}

} // namespace quarex
