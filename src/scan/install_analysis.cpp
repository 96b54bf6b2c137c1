#include "scan/install_analysis.h"

#include "messages/messages.h"
#include "settings/ini_store.h"
#include "text/string_table.h"
#include "text/text.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

namespace quarex {

namespace {

    // Characters kept of one line; a readme line is cut to 95 characters anyway.
    constexpr std::size_t kLineKeep = 4096;
    // How far a line is searched for its end before it is taken as ended.
    constexpr std::uint64_t kLineScanLimit = 16 * 1024 * 1024;
    constexpr std::size_t kScriptLimit = 16 * 1024 * 1024;

    enum Sibling { SetupLst, SetupIni, InstallInf, FileIdDiz, LisezMoi, ReadMe, InstallTxt, LogicielTxt, SiblingCount };

    const char* const kSiblingNames[SiblingCount] = { "SETUP.LST", "SETUP.INI", "INSTALL.INF", "file_id.diz",
        "lisezmoi.txt", "readme.txt", "INSTALL.TXT", "logiciel.txt" };

} // namespace

// What one directory's siblings say, each looked up or read at most once.
class SiblingFacts {
public:
    explicit SiblingFacts(DirectoryContext& dir)
        : m_dir(dir)
    {
        for (int s = 0; s < SiblingCount; ++s)
            m_names[s] = resolve(kSiblingNames[s]);
    }

    bool exists(Sibling s) const { return m_names[s] != nullptr; }

    // Title of [Setup], WndTitle of [Params], WndTitle of [Windows 95 Params] in SETUP.LST.
    const std::array<std::string, 3>& setupLst()
    {
        if (!m_setupLst) {
            // The three keys are found in one pass over the script.
            std::vector<std::string> values = iniValuesFromBytes(readScript(SetupLst),
                { { "Setup", "Title" }, { "Params", "WndTitle" }, { "Windows 95 Params", "WndTitle" } });
            m_setupLst = std::array<std::string, 3> { trim(values[0]), trim(values[1]), trim(values[2]) };
        }
        return *m_setupLst;
    }

    const std::string& setupIniAppName()
    {
        if (!m_setupIni)
            m_setupIni = trim(iniValueFromBytes(readScript(SetupIni), "Startup", "AppName", ""));
        return *m_setupIni;
    }

    const std::string& installInfAppName()
    {
        if (!m_installInf)
            m_installInf = trim(iniValueFromBytes(readScript(InstallInf), "INSTALL", "APPNAME", ""));
        return *m_installInf;
    }

    // The first line of a readme file, or its second when the first is blank or a separator.
    const std::string& readmeDescription(Sibling s)
    {
        std::optional<std::string>& slot = m_readme[s - FileIdDiz];
        if (!slot) {
            std::array<std::string, 2> lines = readLines(s);
            std::string text = readmeLine(lines[0]);
            if (isSeparatorLine(text))
                text.clear();
            if (text.empty())
                text = readmeLine(lines[1]);
            slot = std::move(text);
        }
        return *slot;
    }

    const std::string& logicielVersion()
    {
        if (!m_logiciel)
            m_logiciel = trim(versionFromLogicielLine(readmeLine(readLines(LogicielTxt)[1])));
        return *m_logiciel;
    }

    // Keeps the product name of the directory's first file when the scan has just read it, so that the
    // fallback below does not open and parse that file again.
    void noteAnalysed(const ListedFile& file, const zFileInfo& info)
    {
        if (!m_firstFileProductName && !m_dir.files().empty() && m_dir.files().front().rawName == file.rawName)
            m_firstFileProductName = productNameOf(info);
    }

    // A file's product name; resource 405 when it has no version block or no such key (an empty value
    // stays empty).
    static std::string productNameOf(const zFileInfo& info)
    {
        return info.hasKey(zFileInfo::ProductName) ? trim(info.sProductName()) : sLoadString(405);
    }

    // The product name of the first file of the directory's list.
    const std::string& firstProductName(const ListedFile& current, const zFileInfo& currentInfo)
    {
        if (!m_productName) {
            if (m_dir.files().empty() || m_dir.files().front().rawName == current.rawName) {
                m_productName = productNameOf(currentInfo);
            } else if (m_firstFileProductName) {
                m_productName = *m_firstFileProductName;
            } else if (tableForFile(m_dir.files().front().name) == TableArchives) {
                // An archive has no version strings: only a program is opened for its product name.
                m_productName = sLoadString(405);
            } else {
                const ListedFile& first = m_dir.files().front();
                zFileInfo info;
                info.PutFile(m_dir.handle(), first.rawName, first.facts);
                m_productName = productNameOf(info);
            }
        }
        return *m_productName;
    }

private:
    // The real name of a sibling file, or nullptr when there is no such file (a folder does not count).
    const std::string* resolve(std::string_view wanted)
    {
        const std::string* name = m_dir.findSibling(wanted);
        if (!name)
            return nullptr;
        for (const DirEntry& e : m_dir.handle().entries()) {
            if (&e.name != name)
                continue;
            if (e.type == EntryType::Directory)
                return nullptr;
            if (e.type == EntryType::Symlink || e.type == EntryType::Unknown) {
                auto facts = m_dir.handle().statChild(e.name);
                if (!facts || facts->isDirectory)
                    return nullptr;
            }
            break;
        }
        return name;
    }

    std::unique_ptr<ReadableFile> open(Sibling s)
    {
        errno = 0;
        auto file = m_dir.handle().openChild(*m_names[s]);
        if (!file) {
            // The file is there but cannot be read: say so once and go on without it.
            int code = errno ? errno : EACCES;
            auto facts = m_dir.handle().statChild(*m_names[s]);
            if (facts && !facts->isRegular)
                raiseError(75, "Path/File access error: not a regular file (pipe, device or socket)");
            else
                raiseSystemError("Path/File access error", code);
            AfficheErreurFichier(joinPath(m_dir.displayPath(), displayName(*m_names[s])), -55);
        }
        return file;
    }

    std::string readScript(Sibling s)
    {
        auto file = open(s);
        if (!file)
            return {};
        return readFileBytes(*file, kScriptLimit).value_or(std::string());
    }

    std::array<std::string, 2> readLines(Sibling s)
    {
        auto file = open(s);
        if (!file)
            return {};
        return firstTwoLines(*file);
    }

    DirectoryContext& m_dir;
    std::array<const std::string*, SiblingCount> m_names {};
    std::optional<std::array<std::string, 3>> m_setupLst;
    std::optional<std::string> m_setupIni;
    std::optional<std::string> m_installInf;
    std::array<std::optional<std::string>, 4> m_readme;
    std::optional<std::string> m_logiciel;
    std::optional<std::string> m_productName;
    std::optional<std::string> m_firstFileProductName;
};

bool isLookedUpSibling(std::string_view name)
{
    // Asked for nearly every file of a scan: most names are out at their length or extension.
    if (name.size() < 9 || name.size() > 12)
        return false;
    char last = static_cast<char>(name.back() | 0x20);
    if (last != 't' && last != 'i' && last != 'f' && last != 'z')
        return false;
    for (const char* sibling : kSiblingNames)
        if (name.size() == std::char_traits<char>::length(sibling) && equalsNoCase(name, sibling))
            return true;
    return false;
}

void SiblingFactsDeleter::operator()(SiblingFacts* facts) const { delete facts; }

namespace {

    SiblingFacts& factsOf(DirectoryContext& dir)
    {
        if (!dir.analysisCache)
            dir.analysisCache.reset(new SiblingFacts(dir));
        return *dir.analysisCache;
    }

    bool isEmptyText(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

    // Steps A to C for a program: setup scripts, readme files, InstallShield bootstrappers.
    std::string describe(std::string description, SiblingFacts& facts, const ListedFile& file, const zFileInfo& info)
    {
        if (facts.exists(SetupLst)) {
            for (const char* bootstrapper : { "Programme d'amorçage", "MS-Setup", "Ne contient pas de version" })
                if (description.find(bootstrapper) != std::string::npos)
                    description.clear();
            for (const std::string& candidate : facts.setupLst())
                if (isEmptyText(description))
                    description = candidate;
        } else if (facts.exists(SetupIni) && isEmptyText(description)) {
            description = facts.setupIniAppName();
        } else if (facts.exists(InstallInf) && isEmptyText(description)) {
            description = facts.installInfAppName();
        }

        if (isEmptyText(description)) {
            bool readmeFound = false;
            for (Sibling s : { FileIdDiz, LisezMoi, ReadMe }) {
                if (facts.exists(s)) {
                    description = facts.readmeDescription(s);
                    readmeFound = true;
                    break;
                }
            }
            if (!readmeFound)
                description = facts.firstProductName(file, info);
        }

        if (isEmptyText(description) || equalsNoCase(trim(description), "INSTALLSHIELD")) {
            if (facts.exists(FileIdDiz)) {
                description = facts.readmeDescription(FileIdDiz);
            } else if (facts.exists(SetupIni)) {
                description = facts.setupIniAppName();
            } else {
                for (Sibling s : { LisezMoi, ReadMe, InstallTxt }) {
                    if (facts.exists(s)) {
                        description = facts.readmeDescription(s);
                        break;
                    }
                }
            }
        }
        return description;
    }

    // Drops trailing bytes of a UTF-8 sequence cut in the middle, so that the kept part stays decodable.
    void cutToCharacter(std::string& bytes)
    {
        std::size_t i = bytes.size();
        std::size_t back = 0;
        while (i > 0 && back < 4 && (static_cast<unsigned char>(bytes[i - 1]) & 0xC0) == 0x80) {
            --i;
            ++back;
        }
        if (i > 0 && static_cast<unsigned char>(bytes[i - 1]) >= 0xC0)
            bytes.resize(i - 1);
    }

} // namespace

bool isSeparatorLine(std::string_view description)
{
    // Upper-casing and trimming leave runs of these characters as they are: the raw text is searched.
    int run = 0;
    char previous = 0;
    for (char c : description) {
        run = c == previous ? run + 1 : 1;
        previous = c;
        if (run >= 10 && (c == '*' || c == '#' || c == '-' || c == '=' || c == '_'))
            return true;
    }
    return false;
}

std::string readmeLine(std::string_view rawLine)
{
    std::string text = blankControls(utf8Left(decodeDiscText(rawLine), 95));
    for (char& c : text)
        if (c == '\t')
            c = ' ';
    return trim(text);
}

std::array<std::string, 2> firstTwoLines(ReadableFile& file)
{
    std::array<std::string, 2> lines;
    std::array<bool, 2> cut {};
    std::size_t current = 0;
    bool afterCr = false;
    char buffer[4096];
    std::uint64_t offset = 0;
    while (current < 2 && offset < kLineScanLimit) {
        std::size_t got = file.readAt(offset, buffer, sizeof buffer);
        if (got == 0)
            break;
        offset += got;
        for (std::size_t i = 0; i < got && current < 2; ++i) {
            char c = buffer[i];
            if (afterCr) {
                afterCr = false;
                if (c == '\n')
                    continue;
            }
            if (c == '\r' || c == '\n') {
                afterCr = c == '\r';
                ++current;
                continue;
            }
            if (lines[current].size() < kLineKeep)
                lines[current].push_back(c);
            else
                cut[current] = true;
        }
    }
    for (std::size_t i = 0; i < 2; ++i)
        if (cut[i])
            cutToCharacter(lines[i]);
    return lines;
}

std::string versionFromLogicielLine(std::string_view line)
{
    std::size_t colon = line.find(':');
    std::string_view text = colon == std::string_view::npos ? line : line.substr(colon + 1);
    std::size_t blank = text.find(' ');
    return std::string(blank == std::string_view::npos ? text : text.substr(blank + 1));
}

void analyseInstallation(
    Grid& grid, int row, int table, DirectoryContext& dir, const ListedFile& file, const zFileInfo& info)
{
    const bool isArchive = table == TableArchives;
    // An archive's description cell is its size whatever its siblings say (step D below), so the
    // setup scripts and readme files are only consulted for programs.
    if (isArchive) {
        grid.setCell(row, ColSize, sSizeCell(info));
        grid.setCell(row, ColDate, info.sDate());
    } else {
        SiblingFacts& facts = factsOf(dir);
        facts.noteAnalysed(file, info);
        grid.setCell(row, ColDescription, describe(grid.cell(row, ColDescription), facts, file, info));
        grid.setCell(row, ColVersion, info.sFileVersion());
    }

    std::string description = grid.cell(row, ColDescription);
    if (isSeparatorLine(description))
        description.clear();
    if (isEmptyText(description) || trim(description) == "0")
        description = isArchive ? sSizeCell(info) : sDescriptionCell(info.sFileDescription());
    grid.setCell(row, ColDescription, description);

    // The version column of the archives' table holds the date: logiciel.txt only completes programs.
    if (!isArchive) {
        std::string version = trim(grid.cell(row, ColVersion));
        if (version.empty() || version == "0") {
            SiblingFacts& facts = factsOf(dir);
            if (facts.exists(LogicielTxt)) {
                const std::string& found = facts.logicielVersion();
                if (!found.empty())
                    grid.setCell(row, ColVersion, found);
            }
        }
    }

    // Names, script values and version strings come from the disc: a control character in them would
    // reach the exports and the terminal as it is.
    for (int c = 0; c < grid.Cols(); ++c) {
        const std::string& cell = grid.cell(row, c);
        if (std::any_of(cell.begin(), cell.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x20; }))
            grid.setCell(row, c, blankControls(cell));
    }
}

} // namespace quarex
