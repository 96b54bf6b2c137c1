// quarex-scan: the scan without a window, for servers and scripts.
#include "cli/commands.h"
#include "fs/disc_images.h"
#include "fs/replacing_file.h"
#include "messages/messages.h"
#include "print/grid_export.h"
#include "scan/scan_engine.h"
#include "text/text.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <optional>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace quarex;

namespace {

const char* const kUsage = R"(Usage : quarex-scan [options] RÉPERTOIRE|IMAGE
Explore RÉPERTOIRE et toute son arborescence, puis écrit les trois tableaux :
procédures d'installation (0), autres exécutables (1), archives ZIP (2).
IMAGE (ISO 9660, BIN/CUE, CD brut, disquette FAT) est explorée comme un répertoire.

Options :
  --format csv|prn|txt|jsonl  forme de la sortie (csv par défaut) ;
                              jsonl : un objet JSON par ligne de tableau
  --table 0|1|2|all           tableau à écrire (all par défaut : les trois à la suite)
  -o, --output FICHIER        fichier de sortie (sortie standard par défaut)
  --html FICHIER              écrit le rapport HTML (FICHIER, puis _tableaux.htm et
                              _donnees.htm) au lieu des tableaux ; --table choisit
                              le tableau, les options viennent du fichier de réglages
  --no-drive                  rapport HTML : ôte la lettre du lecteur (C:) des chemins
  --settings FICHIER          fichier de réglages à lire (Quarex.ini par défaut)
  --images                    explore aussi les images de disque et de disquette
                              trouvées dans l'arborescence, comme des répertoires
  -h, --help                  affiche cette aide

Codes de sortie : 0 succès, 1 échec, 2 argument invalide ou répertoire absent,
3 résultat partiel (un répertoire au moins n'a pu être lu ; voir l'erreur standard).
)";

// Shows the directory being explored on a terminal, like the window's status line.
class TerminalProgress final : public ScanObserver {
public:
    TerminalProgress()
        : m_enabled(::isatty(STDERR_FILENO) == 1)
    {
        struct winsize ws { };
        if (m_enabled && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 10)
            m_width = ws.ws_col - 1;
    }
    void message(const std::string& text) override
    {
        if (!m_enabled || text == m_last)
            return;
        m_last = text;
        // A folder name is disc bytes: its control characters must not drive the terminal.
        std::string shown = escapeControls(text);
        if (utf8Length(shown) > m_width)
            shown = utf8Left(shown, m_width);
        std::fprintf(stderr, "\r\033[K%s", shown.c_str());
        std::fflush(stderr);
    }
    bool wantsMessages() const override { return m_enabled; }
    void folderUnreadable(const std::string& displayPath, int error) override
    {
        // Said on its own line whether or not a terminal shows the progress.
        if (m_enabled && !m_last.empty())
            std::fprintf(stderr, "\r\033[K");
        m_last.clear();
        std::fprintf(stderr, "quarex-scan : %s\n", sUnreadableFolderMessage(displayPath, error).c_str());
        std::fflush(stderr);
    }
    void finish()
    {
        if (m_enabled && !m_last.empty())
            std::fprintf(stderr, "\r\033[K");
    }

private:
    bool m_enabled;
    std::size_t m_width = 79;
    std::string m_last;
};

int usageError(const std::string& message)
{
    std::cerr << "quarex-scan : " << message << "\n"
              << "Essayez « quarex-scan --help »." << std::endl;
    return 2;
}

void writeJsonRows(const ResultTables& tables, int table, std::ostream& out, const ImageAwareFileSystem* images)
{
    const Grid& grid = tables.GridLogiciel(table);
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
        if (grid.cell(r, ColFile).empty())
            continue;
        nlohmann::json row;
        row["table"] = table;
        row["cells"] = nlohmann::json::array();
        for (int c = 0; c < grid.Cols(); ++c)
            row["cells"].push_back(grid.cell(r, c));
        // A name that is not UTF-8 is given as read on the disc (Windows-1252) and, byte for byte, in
        // base64: the text alone could not tell two such files apart nor open them.
        const std::string& path = grid.rowPath(r);
        if (isValidUtf8(path)) {
            row["path"] = path;
        } else {
            row["path"] = cp1252ToUtf8(path);
            row["path_bytes"] = base64Encode(path);
        }
        // A file read inside an image: the image file, and the path inside it.
        if (auto split = images ? images->splitImagePath(path) : std::nullopt) {
            row["image"] = split->first;
            row["inner"] = split->second;
        }
        out << row.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "info")
        return runInfoCommand(argc - 2, argv + 2);
    std::string format = "csv";
    std::string tableArg = "all";
    std::optional<std::string> output;
    std::optional<std::string> directory;
    std::optional<std::string> htmlFile;
    std::optional<std::string> settingsFile;
    bool keepDriveLetter = true;
    bool imagesInFolders = false;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        // The value of an option given as the next argument.
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--format") {
            auto v = value();
            if (!v)
                return usageError("l'option --format attend une valeur");
            format = *v;
        } else if (arg.rfind("--format=", 0) == 0) {
            format = arg.substr(9);
        } else if (arg == "--table") {
            auto v = value();
            if (!v)
                return usageError("l'option --table attend une valeur");
            tableArg = *v;
        } else if (arg.rfind("--table=", 0) == 0) {
            tableArg = arg.substr(8);
        } else if (arg == "-o" || arg == "--output") {
            auto v = value();
            if (!v)
                return usageError("l'option " + arg + " attend un nom de fichier");
            output = *v;
        } else if (arg.rfind("--output=", 0) == 0) {
            output = arg.substr(9);
        } else if (arg == "--html" || arg == "--settings") {
            auto v = value();
            if (!v)
                return usageError("l'option " + arg + " attend un nom de fichier");
            (arg == "--html" ? htmlFile : settingsFile) = *v;
        } else if (arg == "--images") {
            imagesInFolders = true;
        } else if (arg == "--no-drive") {
            keepDriveLetter = false;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return usageError("option inconnue : " + arg);
        } else if (directory) {
            return usageError("un seul répertoire à explorer, pas « " + arg + " »");
        } else {
            directory = arg;
        }
    }

    if (format != "csv" && format != "prn" && format != "txt" && format != "jsonl")
        return usageError("forme inconnue : " + format + " (csv, prn, txt ou jsonl)");
    std::vector<int> tables;
    if (tableArg == "all")
        tables = { 0, 1, 2 };
    else if (tableArg == "0" || tableArg == "1" || tableArg == "2")
        tables = { tableArg[0] - '0' };
    else
        return usageError("tableau inconnu : " + tableArg + " (0, 1, 2 ou all)");
    if (!directory)
        return usageError("aucun répertoire à explorer");
    if (settingsFile) {
        auto settingsFacts = nativeFileSystem().stat(*settingsFile);
        if (!settingsFacts || !settingsFacts->isRegular)
            std::cerr << "quarex-scan : fichier de réglages introuvable : " << *settingsFile << " (réglages par défaut)"
                      << std::endl;
    }

    std::string start = normaliseStartDirectory(*directory);
    auto facts = nativeFileSystem().stat(start);
    bool isImage = facts && facts->isRegular;
    if (!facts || (!facts->isDirectory && !isImage)) {
        std::cerr << "quarex-scan : répertoire introuvable : " << *directory << std::endl;
        return 2;
    }
    // An image given, or --images: the walk goes through a file system that reads images as folders.
    ImageAwareFileSystem imageFs(nativeFileSystem(), imagesInFolders);
    std::string imageError;
    if (isImage && !imageFs.opensAsImage(start, imageError)) {
        // A file that neither is named nor looks like an image is no directory to explore.
        if (!hasImageExtension(start) && imageError == kNotAnImage) {
            std::cerr << "quarex-scan : répertoire introuvable : " << *directory << std::endl;
            return 2;
        }
        std::cerr << "quarex-scan : image illisible : " << start << (imageError.empty() ? "" : " (" + imageError + ")")
                  << std::endl;
        return 1;
    }
    bool throughImages = isImage || imagesInFolders;

    // The tables and the engine are left to the system at exit: freeing a large scan's rows one by one
    // only delays the end (the static pointers keep them reachable for leak checkers).
    static ResultTables* const kept = new ResultTables;
    ResultTables& results = *kept;
    TerminalProgress progress;
    static ScanEngine* const engine = new ScanEngine(
        results, throughImages ? static_cast<FileSystem&>(imageFs) : nativeFileSystem(), &progress);
    engine->scan(start);
    progress.finish();
    for (const std::string& problem : imageFs.problems()->messages())
        std::cerr << "quarex-scan : " << problem << std::endl;
    // A folder that could not be read, or damage inside an image, makes the result partial.
    const int success = engine->unreadableFolders().empty() && imageFs.problems()->messages().empty() ? 0 : 3;
    if (htmlFile) {
        int status = runHtmlCommand(results, *htmlFile, tables.size() == 1 ? tables[0] : -1, keepDriveLetter,
            settingsFile, start, engine->fileSystem());
        return status == 0 ? success : status;
    }

    // A file given with -o replaces the old one only once the tables are written whole.
    std::optional<ReplacingFile> file;
    if (output) {
        file.emplace(*output);
        if (!file->good()) {
            std::cerr << "quarex-scan : " << sMessageErreurFichier(*output, -40) << " ("
                      << systemErrorText(file->error()) << ")" << std::endl;
            return 1;
        }
    }
    std::ostream& out = file ? file->stream() : std::cout;
    int formIndex = format == "csv" ? 0 : format == "prn" ? 1 : 2;
    for (int t : tables) {
        if (format == "jsonl") {
            writeJsonRows(results, t, out, throughImages ? &imageFs : nullptr);
        } else {
            const ExportForm& form = exportForm(formIndex);
            writeGrid(results.GridLogiciel(t), out, form.separator, form.quote);
        }
    }
    bool written = file ? file->commit() : static_cast<bool>(out.flush());
    if (!written) {
        std::cerr << "quarex-scan : " << sMessageErreurFichier(output.value_or("<sortie standard>"), -40);
        if (file)
            std::cerr << " (" << systemErrorText(file->error()) << ")";
        std::cerr << std::endl;
        return 1;
    }
    return success;
}
