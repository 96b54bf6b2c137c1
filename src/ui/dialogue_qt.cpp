#include "ui/dialogue_qt.h"

#include "ui/busy_qt.h"
#include "text/string_table.h"
#include "ui_Lib_SelectDlg.h"
#include "ui/save_folders.h"

#include <QApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTranslator>

namespace quarex {

Lib_SelectDlg::Lib_SelectDlg(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::Lib_SelectDlg>())
{
    m_ui->setupUi(this);
    setWindowTitle(QString::fromStdString(sLoadString(197)));
    int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    m_ui->Picture2->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(size, size));
    m_ui->reponse->setProperty("Tag", QString());
    connect(m_ui->Oui, &QPushButton::clicked, this, [this] {
        m_ui->reponse->setProperty("Tag", QStringLiteral("1"));
        accept();
    });
    connect(m_ui->Annuler, &QPushButton::clicked, this, &QDialog::reject);
}

Lib_SelectDlg::~Lib_SelectDlg() = default;

void Lib_SelectDlg::setChoices(
    const QString& question, const QString& option1, const QString& option2, const QString* option3, int selection)
{
    m_ui->Label->setText(question);
    m_ui->SelOptions_0->setText(option1);
    m_ui->SelOptions_1->setText(option2);
    m_ui->SelOptions_2->setText(option3 ? *option3 : QString());
    m_ui->SelOptions_2->setVisible(option3 != nullptr);
    int max = option3 ? 2 : 1;
    if (selection < 0 || selection > max)
        selection = 0;
    option(selection)->setChecked(true);
    m_ui->reponse->setProperty("Tag", QString());
}

QRadioButton* Lib_SelectDlg::option(int index) const
{
    switch (index) {
    case 0:
        return m_ui->SelOptions_0;
    case 1:
        return m_ui->SelOptions_1;
    case 2:
        return m_ui->SelOptions_2;
    default:
        return nullptr;
    }
}

int Lib_SelectDlg::selectedOption() const
{
    for (int i = 0; i < 3; ++i)
        if (option(i)->isChecked() && !option(i)->isHidden())
            return i;
    return -1;
}

QString Lib_SelectDlg::outcome() const { return m_ui->reponse->property("Tag").toString(); }

QtDialogue::QtDialogue(QWidget* parent)
    : m_parent(parent)
{
}

QWidget* QtDialogue::parentWidget() const
{
    if (m_parent)
        return m_parent;
    return QApplication::activeWindow();
}

void QtDialogue::restorePointer() { restoreDefaultPointer(); }

void QtDialogue::showError(const std::string& text, const std::string& title)
{
    QApplication::beep();
    QMessageBox box(
        QMessageBox::Critical, QString::fromStdString(title), messageText(text), QMessageBox::Ok, parentWidget());
    box.exec();
}

void QtDialogue::showInformation(const std::string& text, const std::string& title)
{
    QMessageBox box(
        QMessageBox::Information, QString::fromStdString(title), messageText(text), QMessageBox::Ok, parentWidget());
    box.exec();
}

int QtDialogue::askQuestion(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), messageText(text),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parentWidget());
    box.setDefaultButton(QMessageBox::Yes);
    // The close box and Escape answer Cancel.
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    QMessageBox::StandardButton button = clicked ? box.standardButton(clicked) : QMessageBox::Cancel;
    if (button == QMessageBox::Yes)
        return AnswerYes;
    if (button == QMessageBox::No)
        return AnswerNo;
    return AnswerCancel;
}

int QtDialogue::chooseOption(const std::string& question, const std::string& option1, const std::string& option2,
    int selection, const std::string* option3)
{
    Lib_SelectDlg dlg(parentWidget());
    QString third = option3 ? QString::fromStdString(*option3) : QString();
    dlg.setChoices(QString::fromStdString(question), QString::fromStdString(option1), QString::fromStdString(option2),
        option3 ? &third : nullptr, selection);
    dlg.exec();
    if (dlg.outcome() != QLatin1String("1"))
        return -1;
    return dlg.selectedOption();
}

std::string QtDialogue::openFileName(
    const std::string& title, const std::string& filter, const std::string& defaultName, const std::string& ext)
{
    return runFileDialog(false, title, filter, defaultName, ext);
}

std::string QtDialogue::saveFileName(
    const std::string& title, const std::string& filter, const std::string& defaultName, const std::string& ext)
{
    return runFileDialog(true, title, filter, defaultName, ext);
}

std::string QtDialogue::runFileDialog(bool save, const std::string& title, const std::string& filter,
    const std::string& defaultName, const std::string& ext)
{
    QFileDialog dlg(parentWidget(), QString::fromStdString(title));
    dlg.setObjectName(QStringLiteral("CMDialogOpen"));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QString qtFilter = qtFileFilter(filter);
    if (!qtFilter.isEmpty())
        dlg.setNameFilter(qtFilter);
    QString suffix = QString::fromStdString(ext);
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    if (!suffix.isEmpty())
        dlg.setDefaultSuffix(suffix);
    // A save dialog opens in the folder its kind last wrote to (not in the program's folder each time).
    const SaveKind kind = saveKindForExtension(ext);
    if (save) {
        std::string folder = lastSaveFolder(kind);
        if (!folder.empty())
            dlg.setDirectory(QString::fromStdString(folder));
    }
    if (!defaultName.empty())
        dlg.selectFile(QString::fromStdString(defaultName));
    if (dlg.exec() != QDialog::Accepted)
        return {};
    QStringList files = dlg.selectedFiles();
    if (files.isEmpty())
        return {};
    std::string chosen = files.first().toStdString();
    if (save)
        rememberSaveFolder(kind, chosen);
    return chosen;
}

std::string openTextFileName()
{
    return dialogue().openFileName("Sélectionnez un fichier", sLoadString(207) + "|" + sLoadString(200), "", ".txt");
}

QString qtFileFilter(const std::string& filter)
{
    QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        }
        QString joined = patterns.join(QLatin1Char(' '));
        description.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
        // Qt takes the patterns from the parentheses of the text: make sure they are the real ones.
        int open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(open).trimmed();
        if (description.isEmpty())
            description = joined;
        filters << QStringLiteral("%1 (%2)").arg(description, joined);
    }
    return filters.join(QLatin1String(";;"));
}

QString messageText(const std::string& text)
{
    QString out = QString::fromStdString(text);
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

bool loadQtFrenchTranslations(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QApplication::installTranslator(translator);
    return true;
}

} // namespace quarex
