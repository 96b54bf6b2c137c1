// Lib_OptionsHTML: the options of the HTML report. Its controls are the live option values of the
// run; Fermer writes them to section "html" of the settings file.
//
// Control arrays keep their name with the index after an underscore: OptionTag_0, OptionTag_1,
// LabelNom_0 (background picture), LabelNom_1 (start picture).
#pragma once

#include "html/html_options.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quarex {

class Lib_OptionsHTML : public QDialog {
    Q_OBJECT
public:
    // Builds the window and loads the settings file (when it exists).
    explicit Lib_OptionsHTML(const std::string& settingsFile, QWidget* parent = nullptr);

    // The window of the run, created hidden on first use from the program's settings file.
    static Lib_OptionsHTML& instance();
    // Shows the window modally under the hourglass rule of the main window's CommandOption.
    static void showOptions(QWidget* parent = nullptr);

    // The option values of the controls.
    HtmlOptions options() const;
    // Puts option values into the controls (and applies the enabling rules).
    void setOptions(const HtmlOptions& options);
    // Reads the settings file into the controls, as the window does when it loads.
    void loadSettings();
    // Writes the controls to the settings file (Fermer without closing); false on failure.
    bool saveSettings();
    // Enables each field with its check box.
    void applyEnabling();

    const std::string& settingsFile() const { return m_settingsFile; }
    QLabel* panelAide() const { return m_panelAide; }

    // Escape or the close box: the controls go back to the options the window opened with (those saved
    // by the last Fermer), then the window closes.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void pickGif(QLineEdit* field);
    void pickHtmlFile();
    void pickColour();
    void fermer();

    std::string m_settingsFile;
    QCheckBox* m_checkEntete = nullptr;
    QCheckBox* m_checkCR = nullptr;
    QRadioButton* m_optionTag[2] {};
    QCheckBox* m_checkFin = nullptr;
    QCheckBox* m_checkFrame = nullptr;
    QCheckBox* m_checkTitre = nullptr;
    QLineEdit* m_textTitre = nullptr;
    QCheckBox* m_checkFond = nullptr;
    QLineEdit* m_couleurRGB = nullptr;
    QPushButton* m_laCouleur = nullptr;
    QCheckBox* m_checkBack = nullptr;
    QLineEdit* m_imageBack = nullptr;
    QPushButton* m_limage = nullptr;
    QLabel* m_labelNom[2] {};
    QCheckBox* m_checkImage = nullptr;
    QLineEdit* m_imageDebut = nullptr;
    QPushButton* m_leFichier = nullptr;
    QCheckBox* m_checkSuffixe = nullptr;
    QLineEdit* m_textSuffixe = nullptr;
    QCheckBox* m_checkRef = nullptr;
    QLineEdit* m_refHTML = nullptr;
    QLabel* m_labelFichier = nullptr;
    QPushButton* m_fichierHTML = nullptr;
    QPushButton* m_fermer = nullptr;
    QLabel* m_panelAide = nullptr;
    HtmlOptions m_opened; // the options when the window was shown
};

} // namespace quarex
