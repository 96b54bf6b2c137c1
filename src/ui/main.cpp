// Quarex, the window. `quarex [DIRECTORY|IMAGE]` opens ready to explore DIRECTORY, or the disc or floppy IMAGE as a
// folder.
#include "settings/app_paths.h"
#include "settings/ini_store.h"
#include "settings/startup.h"
#include "ui/busy_qt.h"
#include "ui/dialogue_qt.h"
#include "ui/launch_qt.h"
#include "ui/main_form.h"
#include "ui/window_images.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <iostream>
#include <optional>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarex"));
    quarex::loadQtFrenchTranslations(app);

    std::optional<QString> directory;
    std::optional<QString> capture; // --capture FILE: explore, save a picture of the window, quit
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--capture") && i + 1 < args.size())
            capture = QFileInfo(args[++i]).absoluteFilePath();
        else if (!directory)
            directory = QFileInfo(args[i]).absoluteFilePath(); // before start-up changes the current directory
    }

    // Start-up: hourglass, library initialisation, then the main window.
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    quarex::initialiseLibrary();
    quarex::QtDialogue dialogue;
    quarex::setDialogue(&dialogue);
    quarex::QtLaunchPlatform launcher;
    quarex::setLaunchPlatform(&launcher);

    int status = 0;
    {
        MainForm form;
        dialogue.setParent(&form);
        form.setHelpPanelVisible(quarex::GetIniBoolean("Options", "affiche_aide", true, quarex::settingsFilePath()));
        if (directory && !form.selectDirectory(directory->toStdString())) {
            // A file given: the image could not be read, and why.
            const std::string path = directory->toStdString();
            std::string why;
            if (QFileInfo(*directory).isFile() && !form.images().opensAsImage(path, why))
                std::cerr << "quarex : image illisible : " << path << (why.empty() ? "" : " (" + why + ")")
                          << std::endl;
            else
                std::cerr << "quarex : répertoire illisible : " << path << std::endl;
        }
        form.show();
        quarex::BusyOff();

        if (capture) {
            QTimer::singleShot(200, &form, [&form, &capture] {
                form.findChild<QAbstractButton*>(QStringLiteral("Explorer"))->click();
                QTimer::singleShot(300, &form, [&form, &capture] {
                    if (!form.grab().save(*capture))
                        std::cerr << "quarex : image non écrite : " << capture->toStdString() << std::endl;
                    form.close();
                });
            });
        }
        status = QApplication::exec();
        dialogue.setParent(nullptr);
    }
    quarex::setDialogue(nullptr);
    quarex::setLaunchPlatform(nullptr);
    return status;
}
