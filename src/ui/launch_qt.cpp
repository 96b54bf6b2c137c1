#include "ui/launch_qt.h"

#include "text/text.h"
#include "ui/busy_qt.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStringList>

#include <algorithm>

namespace quarex {

namespace {

    std::string joinWords(const std::vector<std::string>& words)
    {
        std::string line;
        for (const auto& w : words) {
            if (!line.empty())
                line += ' ';
            line += quoteArgument(w);
        }
        return line;
    }

    void appendUnique(std::vector<std::string>& list, const QString& value)
    {
        std::string v = value.toStdString();
        if (!v.empty() && std::find(list.begin(), list.end(), v) == list.end())
            list.push_back(std::move(v));
    }

} // namespace

const std::vector<std::string>& windowsProgramMimeTypes()
{
    static const std::vector<std::string> types = { "application/x-ms-dos-executable", "application/x-msdownload",
        "application/x-dosexec", "application/vnd.microsoft.portable-executable", "application/x-msdos-program",
        "application/x-ms-ne-executable" };
    return types;
}

QtLaunchPlatform::QtLaunchPlatform()
    : QtLaunchPlatform(Options {})
{
}

QtLaunchPlatform::QtLaunchPlatform(Options options)
    : m_options(options)
{
}

std::vector<std::string> QtLaunchPlatform::mimeTypesOf(const std::string& path)
{
    QMimeDatabase db;
    QMimeType type = db.mimeTypeForFile(QString::fromStdString(path));
    std::vector<std::string> types;
    if (!type.isValid())
        return types;
    appendUnique(types, type.name());
    for (const QString& alias : type.aliases())
        appendUnique(types, alias);
    for (const QString& parent : type.allAncestors())
        appendUnique(types, parent);
    return types;
}

std::optional<DesktopApplication> QtLaunchPlatform::askXdgMime(
    const XdgEnvironment& env, const std::string& mimeType) const
{
    std::string tool = findProgram("xdg-mime", env.path);
    if (tool.empty())
        return std::nullopt;
    QProcess process;
    process.start(QString::fromStdString(tool), { "query", "default", QString::fromStdString(mimeType) });
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    std::string id = trimWhitespace(process.readAllStandardOutput().toStdString());
    if (process.exitCode() != 0 || id.empty())
        return std::nullopt;
    return loadDesktopApplication(env, id);
}

std::optional<DesktopApplication> QtLaunchPlatform::applicationFor(const std::string& document) const
{
    XdgEnvironment env = XdgEnvironment::fromProcess();
    std::vector<std::string> types = mimeTypesOf(document);
    if (types.empty())
        return std::nullopt;
    if (auto app = findDefaultApplication(env, types))
        return app;
    if (m_options.systemFallbacks && types.front() != "application/octet-stream")
        return askXdgMime(env, types.front());
    return std::nullopt;
}

std::string QtLaunchPlatform::desktopAssociation(const std::string& document)
{
    auto app = applicationFor(document);
    return app ? joinWords(stripFieldCodes(app->command)) : std::string();
}

std::vector<std::string> QtLaunchPlatform::windowsProgramRunner()
{
    XdgEnvironment env = XdgEnvironment::fromProcess();
    if (auto app = findDefaultApplication(env, windowsProgramMimeTypes()))
        return app->command;
    if (!m_options.systemFallbacks)
        return {};
    std::string wine = findProgram("wine", env.path);
    // Debian installs the loader itself outside the search path when only the 32- or 64-bit half is there.
    for (const char* loader : { "/usr/lib/wine/wine64", "/usr/lib/wine/wine" }) {
        if (!wine.empty())
            break;
        wine = findProgram(loader, env.path);
    }
    if (wine.empty())
        return {};
    return { wine, "%f" };
}

StartResult QtLaunchPlatform::startDetached(
    const std::string& program, const std::vector<std::string>& arguments, const std::string& workingDirectory)
{
    StartResult result;
    QStringList args;
    for (const auto& a : arguments)
        args << QString::fromStdString(a);
    QString qProgram = QString::fromStdString(program);
    if (program.find('/') != std::string::npos) {
        QFileInfo info(qProgram);
        if (!info.exists()) {
            result.error = "Fichier introuvable : " + program;
            return result;
        }
        if (!info.isFile() || !info.isExecutable()) {
            result.error = "Ce fichier ne peut pas être exécuté : " + program;
            return result;
        }
    }
    QProcess process;
    process.setProgram(qProgram);
    process.setArguments(args);
    if (!workingDirectory.empty())
        process.setWorkingDirectory(QString::fromStdString(workingDirectory));
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        result.error = process.errorString().toStdString();
        return result;
    }
    result.started = true;
    result.processId = pid;
    MainNotice(sLaunchNotice(program, arguments), kLaunchNoticeMs);
    return result;
}

std::string sLaunchNotice(const std::string& program, const std::vector<std::string>& arguments)
{
    auto lastName = [](const std::string& path) {
        std::size_t cut = path.find_last_of("/\\");
        return cut == std::string::npos ? path : path.substr(cut + 1);
    };
    std::string runner = lastName(program);
    std::string target = arguments.empty() ? runner : lastName(arguments.back());
    if (arguments.empty())
        return "Lancement de " + program + "\u2026";
    std::string text = "Lancement de " + target + " avec " + runner + " (" + program + ")";
    // Wine's first start prepares its prefix, long enough to look like nothing happens.
    if (lowerCase(runner).find("wine") != std::string::npos)
        text += " : au premier lancement, Wine prépare son environnement, ce qui peut prendre une minute";
    return text + "\u2026";
}

int QtLaunchPlatform::openWithDesktop(const std::string& document)
{
    std::string folder = directoryPart(document);
    std::vector<std::string> words;
    if (isWindowsProgramName(document)) {
        // Opening a program runs it.
        std::vector<std::string> runner = windowsProgramRunner();
        if (runner.empty())
            return 31;
        words = expandDesktopExec(runner, document);
    } else if (auto app = applicationFor(document)) {
        words = expandDesktopExec(app->command, document);
    } else if (m_options.systemFallbacks) {
        std::string opener = findProgram("xdg-open", XdgEnvironment::fromProcess().path);
        if (opener.empty())
            return 31;
        words = { opener, document };
    } else {
        return 31;
    }
    StartResult started = startDetached(words[0], { words.begin() + 1, words.end() }, folder);
    // An association whose program does not start is an incomplete or invalid one.
    return started.started ? 42 : 27;
}

} // namespace quarex
