// LIB_SHELL: starting programs and opening documents with the programs associated with them.
// The decisions, the command lines and the messages are made here; a LaunchPlatform does what only the
// system can do (find the desktop's associations, start a process, hand a file to the desktop's opener).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarex {

// A command line taken apart: the program and its arguments.
struct CommandLine {
    std::string program;
    std::vector<std::string> arguments;
};

// The outcome of a process start.
struct StartResult {
    bool started = false;
    std::int64_t processId = 0;
    std::string error; // the system's reason when it did not start
};

// What launching needs from the system.
class LaunchPlatform {
public:
    virtual ~LaunchPlatform() = default;
    // True when the path names an existing regular file.
    virtual bool fileExists(const std::string& path);
    // The command line of the application the desktop associates with a document ("" when none);
    // its program is a full path, quoted when it holds a blank.
    virtual std::string desktopAssociation(const std::string& document) = 0;
    // The Exec words of the application that runs Windows programs ("%f" where the program goes); empty when none.
    virtual std::vector<std::string> windowsProgramRunner() = 0;
    // Starts a program without waiting for it, in the given working directory ("" keeps ours).
    virtual StartResult startDetached(
        const std::string& program, const std::vector<std::string>& arguments, const std::string& workingDirectory)
        = 0;
    // Hands a document to the desktop's opener: a shell result, above 32 for success.
    virtual int openWithDesktop(const std::string& document) = 0;
};

// The platform in use (by default one that finds no association and starts nothing).
LaunchPlatform& launchPlatform();
// Installs a platform (nullptr restores the default); the caller keeps ownership.
void setLaunchPlatform(LaunchPlatform* platform);

// Splits a command line: blanks separate words, double quotes group them (no other escape, so Windows paths
// keep their backslashes). An unquoted program may hold blanks: the whole line when it names a file, else the
// shortest run of leading words that names a file, else the first word.
CommandLine splitCommandLine(std::string_view line, LaunchPlatform& platform);
// A word as it must appear in a command line: between double quotes when it is empty or holds a blank.
std::string quoteArgument(std::string_view word);
// Joins a program and its arguments into one command line, quoting where needed.
std::string joinCommandLine(const CommandLine& command);

// True for the names of Windows and MS-DOS programs (.exe, .com, .bat, .pif), without regard to case.
bool isWindowsProgramName(std::string_view path);
// The Windows form of an absolute path under Wine's drive Z: ("/a/b c" gives "Z:\a\b c").
std::string windowsPathOf(std::string_view unixPath);
// The folder part of a program path ("" when it has none).
std::string directoryPart(std::string_view program);

// How a command line is started: the process to create and its working directory.
struct LaunchPlan {
    CommandLine process;
    std::string workingDirectory;
    bool needsWindowsRunner = false; // a Windows program, and no application runs them: nothing to start
};
// The plan for a command line (not empty): Windows programs go through the runner, with their arguments that
// name existing absolute paths given in Windows form; the working directory is the program's own folder.
LaunchPlan planCommand(std::string_view commandLine, LaunchPlatform& platform);

// The command line that opens a document with its associated program: the program when it names an existing
// file (quoted when it holds a blank) or else the whole associated command, then the quoted document.
std::string documentCommand(const std::string& associated, const std::string& document, LaunchPlatform& platform);

// Runs a command line without waiting for it, in the program's folder; our own current directory is not
// changed. Reports its own failures; returns the process id, 0 when nothing was started.
std::int64_t iExecuteShellWin(const std::string& sCommande, int vStyle = 1);
// The full path (or command) of the program associated with a document, "" when there is none. A Windows
// program is its own associated program when an application runs Windows programs.
std::string sGetExecutableAssocie(const std::string& sDocument);
// Runs the program associated with a document; when there is none and bMessage is set, tells the user.
// True when a program was started.
bool LanceDocument(const std::string& sDocument, bool bMessage);
// Asks the desktop to open a document; reports a failure with the shell's reason. Returns the shell result.
int OuvreDocument(const std::string& sDocument);
// Opens a help file with the application associated with it; reports why it cannot be shown. True when started.
bool AfficheFichierAide(const std::string& sFichierAide);

// The French message of a shell result of 32 or below ("Erreur inconnue" for values without their own).
std::string sShellErrorMessage(int result);
// The shell result for a document that cannot be opened at all (missing file, missing folder, no read right),
// or nothing when it can be handed to the opener.
std::optional<int> documentAccessFailure(const std::string& document);
// The text of the "no association" box: string 436, two line ends and the document's path.
std::string sMessageSansAssociation(const std::string& document);

} // namespace quarex
