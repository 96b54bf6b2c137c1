#include "ui/options_html_qt.h"

#include "ui/control_help_qt.h"
#include "ui/rgb_form_qt.h"
#include "settings/app_paths.h"
#include "messages/messages.h"
#include "text/string_table.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QShowEvent>

namespace quarex {

namespace {

    QString qs(int id) { return QString::fromStdString(sLoadString(id)); }
    std::string text(const QLineEdit* e) { return e->text().toStdString(); }
    QString qtext(const std::string& s) { return QString::fromStdString(s); }

    // The hourglass for the life of a scope.
    struct WaitCursor {
        WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
        ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    };

} // namespace

Lib_OptionsHTML::Lib_OptionsHTML(const std::string& settingsFile, QWidget* parent)
    : QDialog(parent)
    , m_settingsFile(settingsFile)
{
    WaitCursor wait;
    build();
    loadSettings();
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

Lib_OptionsHTML& Lib_OptionsHTML::instance()
{
    static QPointer<Lib_OptionsHTML> window;
    if (!window) {
        window = new Lib_OptionsHTML(settingsFilePath());
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    return *window;
}

void Lib_OptionsHTML::showOptions(QWidget* parent)
{
    Lib_OptionsHTML* w = nullptr;
    {
        WaitCursor wait;
        w = &instance();
        if (parent && w->parentWidget() != parent)
            w->setParent(parent, w->windowFlags() | Qt::Dialog);
    }
    w->exec();
}

void Lib_OptionsHTML::build()
{
    setObjectName(QStringLiteral("Lib_OptionsHTML"));
    setWindowTitle(qs(101));
    setModal(true);

    auto check = [this](const char* name, int caption, int help) {
        auto* c = new QCheckBox(qs(caption), this);
        c->setObjectName(QString::fromLatin1(name));
        if (help)
            setControlHelp(c, qs(help), this);
        connect(c, &QCheckBox::toggled, this, [this] { applyEnabling(); });
        return c;
    };
    auto field = [this](const char* name, int help) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        if (help)
            setControlHelp(e, qs(help), this);
        return e;
    };
    auto button = [this](const char* name, const QString& caption, int help) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        if (help)
            setControlHelp(b, qs(help), this);
        return b;
    };
    auto label = [this](const QString& name, int caption) {
        auto* l = new QLabel(qs(caption), this);
        l->setObjectName(name);
        return l;
    };

    m_checkEntete = check("CheckEntete", 102, 120);
    m_checkCR = check("CheckCR", 103, 121);
    for (int i = 0; i < 2; ++i) {
        m_optionTag[i] = new QRadioButton(qs(116 + i), this);
        m_optionTag[i]->setObjectName(QStringLiteral("OptionTag_%1").arg(i));
        setControlHelp(m_optionTag[i], qs(123) + qs(116 + i), this);
    }
    m_optionTag[0]->setChecked(true);
    m_checkFin = check("CheckFin", 104, 122);
    m_checkFrame = check("CheckFrame", 105, 124);
    m_checkTitre = check("CheckTitre", 106, 125);
    m_textTitre = field("TextTitre", 125);
    m_checkFond = check("CheckFond", 107, 126);
    m_couleurRGB = field("CouleurRGB", 127);
    m_laCouleur = button("LaCouleur", qs(108), 128);
    m_checkBack = check("CheckBack", 109, 126);
    m_labelNom[0] = label(QStringLiteral("LabelNom_0"), 110);
    m_imageBack = field("ImageBack", 130);
    m_limage = button("Limage", QStringLiteral("..."), 131);
    m_checkImage = check("CheckImage", 111, 132);
    m_labelNom[1] = label(QStringLiteral("LabelNom_1"), 110);
    m_imageDebut = field("ImageDebut", 134);
    m_leFichier = button("LeFichier", QStringLiteral("..."), 135);
    m_checkSuffixe = check("CheckSuffixe", 112, 132);
    m_textSuffixe = field("TextSuffixe", 132);
    m_checkRef = check("CheckRef", 113, 136);
    m_labelFichier = label(QStringLiteral("LabelFichier"), 114);
    m_refHTML = field("RefHTML", 137);
    m_fichierHTML = button("FichierHTML", QStringLiteral("..."), 138);
    m_fermer = button("Fermer", qs(115), 139);
    m_panelAide = new QLabel(this);
    m_panelAide->setObjectName(QStringLiteral("PanelAide"));
    m_panelAide->setFrameShape(QFrame::StyledPanel);
    m_panelAide->setFrameShadow(QFrame::Sunken);
    m_panelAide->setMinimumWidth(420);

    auto* g = new QGridLayout;
    int row = 0;
    g->addWidget(m_checkEntete, row++, 0, 1, 3);
    g->addWidget(m_checkFin, row++, 0, 1, 3);
    g->addWidget(m_checkFrame, row++, 0, 1, 3);
    g->addWidget(m_checkCR, row, 0);
    auto* tags = new QHBoxLayout;
    tags->addWidget(m_optionTag[0]);
    tags->addWidget(m_optionTag[1]);
    g->addLayout(tags, row++, 1, 1, 2);
    g->addWidget(m_checkTitre, row, 0);
    g->addWidget(m_textTitre, row++, 1, 1, 2);
    g->addWidget(m_checkFond, row, 0);
    g->addWidget(m_couleurRGB, row, 1);
    g->addWidget(m_laCouleur, row++, 2);
    g->addWidget(m_checkBack, row++, 0, 1, 3);
    auto* back = new QHBoxLayout;
    back->addWidget(m_labelNom[0]);
    back->addWidget(m_imageBack, 1);
    g->addLayout(back, row, 0, 1, 2);
    g->addWidget(m_limage, row++, 2);
    g->addWidget(m_checkImage, row++, 0, 1, 3);
    auto* start = new QHBoxLayout;
    start->addWidget(m_labelNom[1]);
    start->addWidget(m_imageDebut, 1);
    g->addLayout(start, row, 0, 1, 2);
    g->addWidget(m_leFichier, row++, 2);
    g->addWidget(m_checkSuffixe, row, 0);
    g->addWidget(m_textSuffixe, row++, 1, 1, 2);
    g->addWidget(m_checkRef, row++, 0, 1, 3);
    auto* ref = new QHBoxLayout;
    ref->addWidget(m_labelFichier);
    ref->addWidget(m_refHTML, 1);
    g->addLayout(ref, row, 0, 1, 2);
    g->addWidget(m_fichierHTML, row++, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_fermer);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(g);
    layout->addLayout(bottom);
    layout->addWidget(m_panelAide);

    connect(m_limage, &QPushButton::clicked, this, [this] { pickGif(m_imageBack); });
    connect(m_leFichier, &QPushButton::clicked, this, [this] { pickGif(m_imageDebut); });
    connect(m_fichierHTML, &QPushButton::clicked, this, [this] { pickHtmlFile(); });
    connect(m_laCouleur, &QPushButton::clicked, this, [this] { pickColour(); });
    connect(m_fermer, &QPushButton::clicked, this, [this] { fermer(); });
    applyEnabling();
}

HtmlOptions Lib_OptionsHTML::options() const
{
    HtmlOptions o;
    o.entete = m_checkEntete->isChecked();
    o.cr = m_checkCR->isChecked();
    o.car = m_optionTag[1]->isChecked() ? 1 : 0;
    o.fin = m_checkFin->isChecked();
    o.frame = m_checkFrame->isChecked();
    o.titre = m_checkTitre->isChecked();
    o.texteTitre = text(m_textTitre);
    o.fond = m_checkFond->isChecked();
    o.couleurRGB = text(m_couleurRGB);
    o.back = m_checkBack->isChecked();
    o.imageBack = text(m_imageBack);
    o.image = m_checkImage->isChecked();
    o.imageDebut = text(m_imageDebut);
    o.suffixe = m_checkSuffixe->isChecked();
    o.textSuffixe = text(m_textSuffixe);
    o.ref = m_checkRef->isChecked();
    o.refHTML = text(m_refHTML);
    return o;
}

void Lib_OptionsHTML::setOptions(const HtmlOptions& o)
{
    m_checkEntete->setChecked(o.entete);
    m_checkCR->setChecked(o.cr);
    m_optionTag[o.car == 1 ? 1 : 0]->setChecked(true);
    m_checkFin->setChecked(o.fin);
    m_checkFrame->setChecked(o.frame);
    m_checkTitre->setChecked(o.titre);
    m_textTitre->setText(qtext(o.texteTitre));
    m_checkFond->setChecked(o.fond);
    m_couleurRGB->setText(qtext(o.couleurRGB));
    m_checkBack->setChecked(o.back);
    m_imageBack->setText(qtext(o.imageBack));
    m_checkImage->setChecked(o.image);
    m_imageDebut->setText(qtext(o.imageDebut));
    m_checkSuffixe->setChecked(o.suffixe);
    m_textSuffixe->setText(qtext(o.textSuffixe));
    m_checkRef->setChecked(o.ref);
    m_refHTML->setText(qtext(o.refHTML));
    applyEnabling();
}

void Lib_OptionsHTML::loadSettings()
{
    WaitCursor wait;
    setOptions(loadHtmlOptions(m_settingsFile, options()));
    m_panelAide->setVisible(loadShowHelp(m_settingsFile));
}

bool Lib_OptionsHTML::saveSettings()
{
    WaitCursor wait;
    return saveHtmlOptions(options(), m_settingsFile);
}

void Lib_OptionsHTML::applyEnabling()
{
    bool back = m_checkBack->isChecked();
    m_imageBack->setEnabled(back);
    m_limage->setEnabled(back);
    m_labelNom[0]->setEnabled(back);
    m_couleurRGB->setEnabled(m_checkFond->isChecked());
    m_laCouleur->setEnabled(m_checkFond->isChecked());
    bool image = m_checkImage->isChecked();
    m_imageDebut->setEnabled(image);
    m_leFichier->setEnabled(image);
    m_labelNom[1]->setEnabled(image);
    m_refHTML->setEnabled(m_checkRef->isChecked());
    m_fichierHTML->setEnabled(m_checkRef->isChecked());
    m_textSuffixe->setEnabled(m_checkSuffixe->isChecked());
    m_textTitre->setEnabled(m_checkTitre->isChecked());
    m_optionTag[0]->setEnabled(m_checkCR->isChecked());
    m_optionTag[1]->setEnabled(m_checkCR->isChecked());
}

void Lib_OptionsHTML::pickGif(QLineEdit* field)
{
    std::string chosen = dialogue().openFileName(
        sLoadString(140), "Compuserve GIF (*.gif)|*.gif|" + sLoadString(200), text(field), ".gif");
    if (!chosen.empty())
        field->setText(qtext(chosen));
}

void Lib_OptionsHTML::pickHtmlFile()
{
    std::string chosen = dialogue().saveFileName(sLoadString(141), sLoadString(208), text(m_refHTML), ".htm");
    if (!chosen.empty())
        m_refHTML->setText(qtext(chosen));
}

void Lib_OptionsHTML::pickColour()
{
    std::string kept = text(m_couleurRGB);
    std::string chosen = sGetDialogRGBbyString(kept, this);
    m_couleurRGB->setText(qtext(chosen.empty() ? kept : "#" + chosen));
}

void Lib_OptionsHTML::fermer()
{
    saveSettings();
    accept();
}

void Lib_OptionsHTML::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        m_opened = options();
}

void Lib_OptionsHTML::reject()
{
    setOptions(m_opened);
    QDialog::reject();
}

bool Lib_OptionsHTML::eventFilter(QObject* watched, QEvent* event)
{
    showControlHelp(m_panelAide, watched, event);
    return QDialog::eventFilter(watched, event);
}

} // namespace quarex
