#include "ui/rgb_form_qt.h"

#include "ui/control_help_qt.h"
#include "html/lib_rgb.h"
#include "messages/messages.h"
#include "text/string_table.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quarex {

namespace {

    QString qs(int id) { return QString::fromStdString(sLoadString(id)); }

    const char* const kScrollNames[3] = { "HScroll_R", "HScroll_G", "HScroll_B" };
    const char* const kValueNames[3] = { "R_Value", "G_Value", "B_Value" };
    const char* const kLabelNames[3] = { "LabelR", "LabelG", "LabelB" };
    const char* const kLabelCaptions[3] = { "Rouge", "Vert", "Bleu" };
    const char* const kLabelHelp[3] = { "Canal Rouge", "Canal Vert", "Canal Bleu" };

} // namespace

QString rgbValueText(const QString& typed)
{
    QString text = typed.trimmed();
    int i = 0;
    QString digits;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        if (text[i] == u'-')
            digits += u'-';
        ++i;
    }
    int start = digits.size();
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
        digits += text[i++];
    if (digits.size() == start)
        return QStringLiteral("0");
    // Leading zeros go, as the decimal value has none.
    QString number = digits.mid(start);
    while (number.size() > 1 && number.front() == u'0')
        number.remove(0, 1);
    QString value = (number == QStringLiteral("0") ? QString() : digits.left(start)) + number;
    if (value.size() >= 4)
        value.truncate(3);
    return value;
}

Lib_RGBForm::Lib_RGBForm(QWidget* parent)
    : QDialog(parent)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setObjectName(QStringLiteral("Lib_RGBForm"));
    setWindowTitle(qs(142));
    setModal(true);

    auto* grid = new QGridLayout;
    for (int c = 0; c < 3; ++c) {
        auto* label = new QLabel(QString::fromUtf8(kLabelCaptions[c]), this);
        label->setObjectName(QString::fromLatin1(kLabelNames[c]));
        m_scroll[c] = new QScrollBar(Qt::Horizontal, this);
        m_scroll[c]->setObjectName(QString::fromLatin1(kScrollNames[c]));
        m_scroll[c]->setRange(0, 255);
        m_scroll[c]->setPageStep(16);
        m_scroll[c]->setMinimumWidth(200);
        m_value[c] = new QLineEdit(QStringLiteral("0"), this);
        m_value[c]->setObjectName(QString::fromLatin1(kValueNames[c]));
        m_value[c]->setMaximumWidth(50);
        grid->addWidget(label, c, 0);
        grid->addWidget(m_scroll[c], c, 1);
        grid->addWidget(m_value[c], c, 2);
        connect(m_scroll[c], &QScrollBar::valueChanged, this, [this] { refresh(); });
        connect(m_value[c], &QLineEdit::textEdited, this, [this, c] { valueEdited(c); });
        const QString help = QString::fromUtf8(kLabelHelp[c]);
        for (QWidget* w : std::initializer_list<QWidget*> { label, m_scroll[c], m_value[c] })
            setControlHelp(w, help, this);
    }

    m_sample = new QLabel(this);
    m_sample->setObjectName(QStringLiteral("PictureRGB"));
    m_sample->setMinimumSize(80, 60);
    m_sample->setAutoFillBackground(true);
    m_sample->setFrameShape(QFrame::Panel);
    m_sample->setFrameShadow(QFrame::Sunken);
    setControlHelp(m_sample, qs(145), this);
    m_hex = new QLabel(this);
    m_hex->setObjectName(QStringLiteral("LabelRGB"));
    m_hex->setAlignment(Qt::AlignCenter);
    setControlHelp(m_hex, qs(146), this);
    m_valider = new QPushButton(qs(143), this);
    m_valider->setObjectName(QStringLiteral("Valider"));
    setControlHelp(m_valider, qs(147), this);
    m_annuler = new QPushButton(qs(144), this);
    m_annuler->setObjectName(QStringLiteral("Annuler"));
    setControlHelp(m_annuler, qs(148), this);
    // Enter belongs to the value boxes, never to a default button.
    m_valider->setAutoDefault(false);
    m_annuler->setAutoDefault(false);
    m_reponse = new QLabel(this);
    m_reponse->setObjectName(QStringLiteral("reponse"));
    m_reponse->setVisible(false);
    m_panelAide = new QLabel(this);
    m_panelAide->setObjectName(QStringLiteral("PanelAide"));
    m_panelAide->setFrameShape(QFrame::StyledPanel);
    m_panelAide->setFrameShadow(QFrame::Sunken);

    auto* side = new QVBoxLayout;
    side->addWidget(m_sample);
    side->addWidget(m_hex);
    auto* top = new QHBoxLayout;
    top->addLayout(grid, 1);
    top->addLayout(side);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_valider);
    buttons->addWidget(m_annuler);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(m_panelAide);

    connect(m_valider, &QPushButton::clicked, this, [this] { answer("1"); });
    connect(m_annuler, &QPushButton::clicked, this, [this] { answer("0"); });
    refresh();
    adjustSize();
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    QApplication::restoreOverrideCursor();
}

QString Lib_RGBForm::reponse() const { return m_reponse->property("tag").toString(); }

std::string Lib_RGBForm::colourText() const
{
    return sRGB2Hexa(m_scroll[0]->value(), m_scroll[1]->value(), m_scroll[2]->value());
}

void Lib_RGBForm::setColour(int red, int green, int blue)
{
    m_scroll[0]->setValue(std::min(red, 255));
    m_scroll[1]->setValue(std::min(green, 255));
    m_scroll[2]->setValue(std::min(blue, 255));
    refresh();
}

void Lib_RGBForm::refresh()
{
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::Window, QColor(m_scroll[0]->value(), m_scroll[1]->value(), m_scroll[2]->value()));
    m_sample->setPalette(palette);
    for (int c = 0; c < 3; ++c)
        m_value[c]->setText(QString::number(m_scroll[c]->value()));
    m_hex->setText(QString::fromStdString(colourText()));
}

void Lib_RGBForm::valueEdited(int component)
{
    QLineEdit* box = m_value[component];
    QString kept = rgbValueText(box->text());
    if (kept != box->text()) {
        box->setText(kept);
        box->setCursorPosition(static_cast<int>(kept.size()));
    }
}

void Lib_RGBForm::validateValue(int component)
{
    if (m_validating)
        return;
    m_validating = true;
    bool ok = false;
    int v = m_value[component]->text().trimmed().toInt(&ok);
    if (ok && v >= 0 && v <= 255) {
        m_scroll[component]->setValue(v);
        refresh();
    } else {
        AfficheInfo(sLoadString(162) + "255");
    }
    m_validating = false;
}

void Lib_RGBForm::reject()
{
    m_reponse->setProperty("tag", QStringLiteral("0"));
    QDialog::reject();
}

void Lib_RGBForm::answer(const char* tag)
{
    m_reponse->setProperty("tag", QString::fromLatin1(tag));
    if (tag[0] == '1')
        accept();
    else
        reject();
}

bool Lib_RGBForm::eventFilter(QObject* watched, QEvent* event)
{
    showControlHelp(m_panelAide, watched, event);
    for (int c = 0; c < 3; ++c) {
        if (watched != m_value[c])
            continue;
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                validateValue(c);
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                answer("0");
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            validateValue(c);
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::string sGetDialogRGBbyString(const std::string& sCouleur, QWidget* parent)
{
    std::string text = sCouleur;
    if (!text.empty() && text.front() == '#')
        text.erase(0, 1);
    Lib_RGBForm form(parent);
    // A text that is no colour leaves the scroll bars where they start.
    int red = form.scroll(0)->value(), green = form.scroll(1)->value(), blue = form.scroll(2)->value();
    Hexa2RGB(text, red, green, blue);
    form.setColour(red, green, blue);
    form.exec();
    return form.reponse() == QStringLiteral("1") ? form.colourText() : std::string();
}

} // namespace quarex
