#include "desktop/launch.h"
#include "settings/win_ini.h"

#include "desktop/desktop_apps.h"
#include "settings/ini_store.h"
#include "messages/messages.h"
#include "text/string_table.h"
#include "text/text.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace quarex {

namespace {

    // Used until the window installs the system's platform: nothing is associated and nothing starts.
    class NoLaunchPlatform final : public LaunchPlatform {
    public:
        std::string desktopAssociation(const std::string&) override { return {}; }
        std::vector<std::string> windowsProgramRunner() override { return {}; }
        StartResult startDetached(const std::string&, const std::vector<std::string>&, const std::string&) override
        {
            return { false, 0, "Aucun lanceur de programmes n'est installé." };
        }
        int openWithDesktop(const std::string&) override { return 31; }
    };

    NoLaunchPlatform g_noPlatform;
    LaunchPlatform* g_platform = nullptr;

    bool isDirectory(const std::string& path)
    {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    bool pathExists(const std::string& path)
    {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0;
    }

    // The words of a command line with, for each, where it ends and whether quotes were part of it.
    struct Word {
        std::string text;
        std::size_t end = 0; // offset just past the word in the line
        bool quoted = false;
    };

    std::vector<Word> splitWords(std::string_view line)
    {
        std::vector<Word> words;
        Word word;
        bool inWord = false;
        bool inQuotes = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            char c = line[i];
            if (c == '"') {
                inQuotes = !inQuotes;
                inWord = true;
                word.quoted = true;
                continue;
            }
            if ((c == ' ' || c == '\t') && !inQuotes) {
                if (inWord) {
                    word.end = i;
                    words.push_back(std::move(word));
                }
                word = Word {};
                inWord = false;
                continue;
            }
            inWord = true;
            word.text += c;
        }
        if (inWord) {
            word.end = line.size();
            words.push_back(std::move(word));
        }
        return words;
    }

    std::string extensionOf(std::string_view path)
    {
        std::size_t slash = path.find_last_of("/\\");
        std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
        std::size_t dot = name.rfind('.');
        return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
    }

    StartResult startPlan(const LaunchPlan& plan, LaunchPlatform& platform)
    {
        return platform.startDetached(plan.process.program, plan.process.arguments, plan.workingDirectory);
    }

    // The run-time error of a failed start: 53 when the program is not there, else 5.
    void raiseStartError(const LaunchPlan& plan, const StartResult& result, LaunchPlatform& platform)
    {
        bool missing
            = plan.process.program.find('/') != std::string::npos && !platform.fileExists(plan.process.program);
        raiseError(
            missing ? 53 : 5, result.error.empty() ? std::string("Le programme n'a pas démarré.") : result.error);
    }

} // namespace

bool LaunchPlatform::fileExists(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

LaunchPlatform& launchPlatform() { return g_platform ? *g_platform : g_noPlatform; }

void setLaunchPlatform(LaunchPlatform* platform) { g_platform = platform; }

CommandLine splitCommandLine(std::string_view line, LaunchPlatform& platform)
{
    CommandLine command;
    std::string whole = trimWhitespace(line);
    std::vector<Word> words = splitWords(whole);
    if (words.empty())
        return command;
    std::size_t programWords = 1;
    if (!words[0].quoted) {
        if (platform.fileExists(whole)) {
            command.program = whole;
            return command;
        }
        // The shortest run of unquoted leading words that names a file, as the Windows loader tries them.
        if (!platform.fileExists(words[0].text)) {
            for (std::size_t k = 1; k < words.size() && !words[k].quoted; ++k) {
                if (platform.fileExists(whole.substr(0, words[k].end))) {
                    programWords = k + 1;
                    break;
                }
            }
        }
    }
    command.program = programWords == 1 ? words[0].text : whole.substr(0, words[programWords - 1].end);
    for (std::size_t i = programWords; i < words.size(); ++i)
        command.arguments.push_back(words[i].text);
    return command;
}

std::string quoteArgument(std::string_view word)
{
    if (word.empty() || word.find_first_of(" \t") != std::string_view::npos)
        return "\"" + std::string(word) + "\"";
    return std::string(word);
}

std::string joinCommandLine(const CommandLine& command)
{
    std::string line = quoteArgument(command.program);
    for (const auto& a : command.arguments)
        line += " " + quoteArgument(a);
    return line;
}

bool isWindowsProgramName(std::string_view path)
{
    std::string ext = upperCase(extensionOf(path));
    return ext == "EXE" || ext == "COM" || ext == "BAT" || ext == "PIF";
}

std::string windowsPathOf(std::string_view unixPath)
{
    std::string out = "Z:";
    for (char c : unixPath)
        out += c == '/' ? '\\' : c;
    return out;
}

std::string directoryPart(std::string_view program)
{
    std::size_t slash = program.find_last_of("/\\");
    if (slash == std::string_view::npos)
        return {};
    if (slash == 0)
        return std::string(program.substr(0, 1));
    return std::string(program.substr(0, slash));
}

LaunchPlan planCommand(std::string_view commandLine, LaunchPlatform& platform)
{
    LaunchPlan plan;
    CommandLine command = splitCommandLine(commandLine, platform);
    std::string folder = directoryPart(command.program);
    if (!folder.empty() && isDirectory(folder))
        plan.workingDirectory = folder;
    if (!isWindowsProgramName(command.program)) {
        plan.process = std::move(command);
        return plan;
    }
    std::vector<std::string> runner = platform.windowsProgramRunner();
    if (runner.empty()) {
        plan.process = std::move(command);
        plan.needsWindowsRunner = true;
        return plan;
    }
    std::vector<std::string> words = expandDesktopExec(runner, command.program);
    plan.process.program = words[0];
    plan.process.arguments.assign(words.begin() + 1, words.end());
    for (const auto& a : command.arguments) {
        bool hostFile = !a.empty() && a[0] == '/' && platform.fileExists(a);
        plan.process.arguments.push_back(hostFile ? windowsPathOf(a) : a);
    }
    return plan;
}

std::string documentCommand(const std::string& associated, const std::string& document, LaunchPlatform& platform)
{
    std::string program = trimWhitespace(associated);
    if (platform.fileExists(program))
        program = quoteArgument(program);
    return program + " " + "\"" + document + "\"";
}

std::int64_t iExecuteShellWin(const std::string& sCommande, [[maybe_unused]] int vStyle)
{
    // Every window a started program opens takes the focus: the style asked for by the callers (1).
    std::string line = trimWhitespace(sCommande);
    if (line.empty()) {
        clearError();
        AfficheErreur("Aucun nom d'exécutable n'est passé à la fonction : iExecuteShellWin()");
        return 0;
    }
    LaunchPlatform& platform = launchPlatform();
    LaunchPlan plan = planCommand(line, platform);
    if (plan.needsWindowsRunner) {
        AfficheInfo(sMessageSansAssociation(plan.process.program), sLoadString(282));
        return 0;
    }
    StartResult result = startPlan(plan, platform);
    if (!result.started) {
        raiseStartError(plan, result, platform);
        AfficheErreur("Erreur exécution Windows : " + line);
        return 0;
    }
    return std::max<std::int64_t>(1, result.processId);
}

std::string sGetExecutableAssocie(const std::string& sDocument)
{
    std::string path = trimWhitespace(sDocument);
    LaunchPlatform& platform = launchPlatform();
    if (path.empty() || !platform.fileExists(path))
        return {};
    bool haveRunner = !platform.windowsProgramRunner().empty();
    if (isWindowsProgramName(path))
        return haveRunner ? path : std::string();
    std::string associated = trimWhitespace(platform.desktopAssociation(path));
    if (!associated.empty())
        return associated;
    std::string ext = extensionOf(path);
    if (ext.empty())
        return {};
    std::string program = trimWhitespace(sGetExtensionProgram(ext));
    // A program named by WIN.INI is a Windows program: without anything to run it, it is no association.
    if (program.empty() || (!haveRunner && isWindowsProgramName(splitCommandLine(program, platform).program)))
        return {};
    return program;
}

bool LanceDocument(const std::string& sDocument, bool bMessage)
{
    std::string path = trimWhitespace(sDocument);
    std::string associated = sGetExecutableAssocie(path);
    if (associated.empty()) {
        if (bMessage)
            AfficheInfo(sMessageSansAssociation(path), sLoadString(282));
        return false;
    }
    if (upperCase(associated) == upperCase(path))
        return iExecuteShellWin(path, 1) != 0;
    return iExecuteShellWin(documentCommand(associated, path, launchPlatform()), 1) != 0;
}

int OuvreDocument(const std::string& sDocument)
{
    std::string path = trimWhitespace(sDocument);
    int result = 0;
    if (auto failure = documentAccessFailure(path))
        result = *failure;
    else
        result = launchPlatform().openWithDesktop(path);
    if (result > 32)
        return result;
    clearError();
    AfficheErreur(sLoadString(454) + path + "\r\n" + sShellErrorMessage(result));
    return result;
}

bool AfficheFichierAide(const std::string& sFichierAide)
{
    std::string path = trimWhitespace(sFichierAide);
    LaunchPlatform& platform = launchPlatform();
    clearError();
    if (path.empty() || !platform.fileExists(path)) {
        AfficheErreur(sLoadString(194) + path + "\r\n" + sLoadString(441));
        return false;
    }
    if (::access(path.c_str(), R_OK) != 0) {
        AfficheErreur(sLoadString(196) + "\r\n" + path);
        return false;
    }
    std::string associated = sGetExecutableAssocie(path);
    LaunchPlan plan;
    if (!associated.empty())
        plan = planCommand(documentCommand(associated, path, platform), platform);
    if (associated.empty() || plan.needsWindowsRunner) {
        AfficheErreur(sLoadString(195) + path + "\r\n" + sLoadString(451));
        return false;
    }
    StartResult result = startPlan(plan, platform);
    if (!result.started) {
        raiseStartError(plan, result, platform);
        AfficheErreur(sLoadString(195) + path);
        return false;
    }
    return true;
}

std::string sShellErrorMessage(int result)
{
    switch (result) {
    case 2:
        return sLoadString(441);
    case 3:
        return sLoadString(442);
    case 5:
        return sLoadString(443);
    case 8:
        return sLoadString(444);
    case 11:
        return sLoadString(452);
    case 26:
        return sLoadString(446);
    case 27:
        return sLoadString(447);
    case 28:
        return sLoadString(448);
    case 29:
        return sLoadString(449);
    case 30:
        return sLoadString(450);
    case 31:
        return sLoadString(451);
    case 32:
        return sLoadString(445);
    default:
        return sLoadString(453);
    }
}

std::optional<int> documentAccessFailure(const std::string& document)
{
    if (document.empty())
        return 2;
    std::string folder = directoryPart(document);
    if (!folder.empty() && !isDirectory(folder))
        return 3;
    if (!pathExists(document))
        return 2;
    if (::access(document.c_str(), R_OK) != 0)
        return 5;
    return std::nullopt;
}

std::string sMessageSansAssociation(const std::string& document) { return sLoadString(436) + "\r\n\r\n" + document; }

} // namespace quarex
