#include "ui/about_box.h"

#include "text/string_table.h"
#include "ui/app_pictures.h"
#include "ui_FormAPropos.h"

#include <QSysInfo>

QString versionNumbers()
{
    // QUAREX_VERSION is the project version: major.minor.revision.
    QStringList parts = QStringLiteral(QUAREX_VERSION).split(QLatin1Char('.'));
    while (parts.size() < 3)
        parts << QStringLiteral("0");
    return parts.mid(0, 3).join(QLatin1Char('.'));
}

QString versionText() { return QStringLiteral("v") + versionNumbers(); }

QString platformLine()
{
#if defined(Q_OS_WIN)
    const QString system = QStringLiteral("Windows");
#elif defined(Q_OS_LINUX)
    const QString system = QStringLiteral("Linux");
#else
    const QString system = QSysInfo::productType();
#endif
    return QStringLiteral("Version %1 bits pour %2").arg(QSysInfo::WordSize).arg(system);
}

FormAPropos::FormAPropos(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::FormAPropos>())
{
    m_ui->setupUi(this);
    const QString title = QString::fromStdString(quarex::sLoadString(10000));
    setWindowTitle(QStringLiteral("A propos de ") + title);
    m_ui->LabelTitre->setText(title);
    m_ui->LabelVersion->setText(versionText());
    m_ui->ImageAppli->setPixmap(applicationPicture(48));
    m_ui->LabelPlateforme->setText(platformLine());
    m_ui->LabelDescription->setText(QString::fromStdString(quarex::sLoadString(10001)));
}

FormAPropos::~FormAPropos() = default;
