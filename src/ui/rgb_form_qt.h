// Lib_RGBForm: the colour picker. Three scroll bars and three value boxes set red, green and blue;
// a sample shows the colour and a label its hexadecimal text.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QWidget;

namespace quarex {

class Lib_RGBForm : public QDialog {
    Q_OBJECT
public:
    explicit Lib_RGBForm(QWidget* parent = nullptr);

    QScrollBar* scroll(int component) const { return m_scroll[component]; }
    QLineEdit* value(int component) const { return m_value[component]; }
    QLabel* sample() const { return m_sample; }
    QLabel* hexLabel() const { return m_hex; }
    QLabel* panelAide() const { return m_panelAide; }
    QPushButton* validerButton() const { return m_valider; }
    QPushButton* annulerButton() const { return m_annuler; }
    // The tag of the hidden label `reponse`: "1" after Valider, "0" after Annuler or Escape.
    QString reponse() const;
    // The colour text of the scroll bars (six digits).
    std::string colourText() const;
    // Sets the three scroll bars (each limited to 0..255).
    void setColour(int red, int green, int blue);

    // Escape, the close box and Annuler: the answer "0".
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void valueEdited(int component);
    void validateValue(int component);
    void answer(const char* tag);

    QScrollBar* m_scroll[3] {};
    QLineEdit* m_value[3] {};
    QLabel* m_sample = nullptr;
    QLabel* m_hex = nullptr;
    QLabel* m_panelAide = nullptr;
    QLabel* m_reponse = nullptr;
    QPushButton* m_valider = nullptr;
    QPushButton* m_annuler = nullptr;
    bool m_validating = false;
};

// Runs the picker on a colour text ("#" allowed in front); the chosen six digits, or "" when cancelled.
std::string sGetDialogRGBbyString(const std::string& sCouleur, QWidget* parent = nullptr);

// The decimal value a value box keeps of typed text: leading blanks skipped, an optional sign, the digits
// up to the first other character; "0" when there are none. Four characters or more are cut to three.
QString rgbValueText(const QString& typed);

} // namespace quarex
