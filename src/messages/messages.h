// Messages to the user: the error report, information, questions, choices and file dialogs.
// The core builds the texts; a front end (the window, quarex-scan) shows them through a Dialogue.
#pragma once

#include <string>

namespace quarex {

// The current error, as raised by a routine before its caller's trap reports it.
struct CurrentError {
    int number = 0; // 0: no pending error
    int line = 0;
    std::string description;
    std::string source;
    int systemCode = 0; // errno of the failed system call, 0 when none
};

// Records the current error (replacing any earlier one).
void raiseError(int number, std::string description, std::string source = "Quarex", int systemCode = 0);
// Records a failed system call from errno (number 75: "Path/File access error").
void raiseSystemError(std::string description, int systemCode);
// The pending error.
const CurrentError& currentError();
// Clears the pending error.
void clearError();

// The text of the error report for a context, an error and the system's text.
std::string sTexteErreur(const std::string& context, const CurrentError& error, const std::string& systemText);
// The system's message for an errno value ("" for 0).
std::string systemErrorText(int code);

// Answers of a question, as the platform's message box gives them.
enum QuestionAnswer { AnswerYes = 6, AnswerNo = 7, AnswerCancel = 2 };

// How a front end shows messages and small dialogs.
class Dialogue {
public:
    virtual ~Dialogue() = default;
    // Shows the error report (style 16, title "Error message"), with the beep.
    virtual void showError(const std::string& text, const std::string& title) = 0;
    // Shows an information box.
    virtual void showInformation(const std::string& text, const std::string& title) = 0;
    // Asks a Yes/No/Cancel question; returns 6, 7 or 2.
    virtual int askQuestion(const std::string& text, const std::string& title) = 0;
    // Offers two or three options; returns the index chosen or -1 when cancelled.
    virtual int chooseOption(const std::string& question, const std::string& option1, const std::string& option2,
        int selection, const std::string* option3)
        = 0;
    // Open and save dialogs: the chosen full path, or "" when cancelled.
    virtual std::string openFileName(
        const std::string& title, const std::string& filter, const std::string& defaultName, const std::string& ext)
        = 0;
    virtual std::string saveFileName(
        const std::string& title, const std::string& filter, const std::string& defaultName, const std::string& ext)
        = 0;
    // Puts the default pointer back (a message never shows under the hourglass).
    virtual void restorePointer() { }
};

// The dialogue in use (by default one that writes to standard error and answers Cancel).
Dialogue& dialogue();
// Installs a dialogue (nullptr restores the default); the caller keeps ownership.
void setDialogue(Dialogue* d);

// Error report: shows the context and the pending error, then clears it.
void AfficheErreur(const std::string& context);
// Information box; the title defaults to "Un message d'information".
void AfficheInfo(const std::string& text, const std::string& title = "Un message d'information");
// Yes/No/Cancel question; the title defaults to string 197.
int iQuestion(const std::string& text, const std::string& title = {});
// Choice among two or three options: the index chosen, or -1.
int iChoixOptions(const std::string& question, const std::string& option1, const std::string& option2, int selection,
    const std::string* option3 = nullptr);
// The message for a file routine's negative error code ("" for -50 and unknown codes).
std::string sMessageErreurFichier(const std::string& fileName, int code);
// Reports a file routine's negative error code through the error report (nothing for -50).
void AfficheErreurFichier(const std::string& fileName, int code);

} // namespace quarex
