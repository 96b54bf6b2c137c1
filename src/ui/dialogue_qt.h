// LIB_DIALOGUE on Qt: message boxes, the choice window Lib_SelectDlg and the file dialogs.
// The core builds every text (src/lib/messages.h); this adapter only shows them.
#pragma once

#include "messages/messages.h"

#include <QDialog>
#include <QString>

#include <memory>

class QApplication;
class QRadioButton;
class QWidget;

namespace Ui {
class Lib_SelectDlg;
}

namespace quarex {

// The choice window: a question, two or three option buttons, `Oui` and `Annuler`.
// Control arrays keep their name with the index after an underscore: SelOptions_0 .. SelOptions_2.
class Lib_SelectDlg : public QDialog {
    Q_OBJECT
public:
    explicit Lib_SelectDlg(QWidget* parent = nullptr);
    ~Lib_SelectDlg() override;

    // Fills the window: the question, the options (a null third option leaves its button hidden), the selection.
    void setChoices(
        const QString& question, const QString& option1, const QString& option2, const QString* option3, int selection);
    // The option button of an index (0 to 2).
    QRadioButton* option(int index) const;
    // The index of the selected option button, or -1.
    int selectedOption() const;
    // "1" once `Oui` was pressed, "" otherwise (the tag of the hidden label `reponse`).
    QString outcome() const;

private:
    std::unique_ptr<Ui::Lib_SelectDlg> m_ui;
};

// The Qt front end of the core's Dialogue.
class QtDialogue final : public Dialogue {
public:
    // Boxes open over `parent`, or over the active window when it is null.
    explicit QtDialogue(QWidget* parent = nullptr);

    void showError(const std::string& text, const std::string& title) override;
    void showInformation(const std::string& text, const std::string& title) override;
    int askQuestion(const std::string& text, const std::string& title) override;
    int chooseOption(const std::string& question, const std::string& option1, const std::string& option2, int selection,
        const std::string* option3) override;
    std::string openFileName(const std::string& title, const std::string& filter, const std::string& defaultName,
        const std::string& ext) override;
    std::string saveFileName(const std::string& title, const std::string& filter, const std::string& defaultName,
        const std::string& ext) override;
    void restorePointer() override;

    void setParent(QWidget* parent) { m_parent = parent; }

private:
    QWidget* parentWidget() const;
    std::string runFileDialog(bool save, const std::string& title, const std::string& filter,
        const std::string& defaultName, const std::string& ext);

    QWidget* m_parent;
};

// Converts a common-dialog filter ("Text (*.txt)|*.txt|All (*.*)|*.*") into Qt's form
// ("Text (*.txt);;All (*)"); "*.*" becomes "*" so that names without a dot are offered too.
QString qtFileFilter(const std::string& filter);
// Message text for a Qt box: CR LF and lone CR become line feeds.
QString messageText(const std::string& text);

// The open dialog for text files: title "Sélectionnez un fichier", filters 207 and 200, extension ".txt".
std::string openTextFileName();

// Loads Qt's own French texts (buttons of message boxes, file dialogs); false when not found.
bool loadQtFrenchTranslations(QApplication& app);

} // namespace quarex
