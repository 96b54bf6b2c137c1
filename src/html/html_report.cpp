#include "html/html_report.h"

#include "fs/replacing_file.h"
#include "html/lib_html.h"
#include "messages/messages.h"
#include "text/string_table.h"
#include "text/text.h"
#include "settings/app_paths.h"

#include <array>
#include <cerrno>
#include <fstream>
#include <memory>
#include <filesystem>

namespace quarex {

namespace {

    struct TableTexts {
        const char* anchor;
        const char* link;
        const char* heading;
    };
    constexpr std::array<TableTexts, 3> kTableTexts = { {
        { "SetupInstall",
            "Liste des proc\xC3\xA9"
            "dures d'installation Setup/Install",
            "Informations sur les proc\xC3\xA9"
            "dures d'installation Setup/Install" },
        { "Executbale",
            "Liste des ex\xC3\xA9"
            "cutables",
            "Informations sur les ex\xC3\xA9"
            "cutables" },
        { "Zip", "Liste des archives ZIP", "Informations sur les archives ZIP" },
    } };

    constexpr const char* kTableTag = "<TABLE BORDER=2 CELLSPACING=1 CELLPADDING=3 WIDTH=98%>";
    constexpr const char* kTargetData = "TARGET=\"data\"";

    // One page being written: UTF-8 text in, Windows-1252 with CR LF out. The page goes to a file
    // beside its target and replaces it only at commit(), so a failed report leaves the old pages whole.
    class PageWriter {
    public:
        explicit PageWriter(const std::string& path)
            : m_file(path)
        {
        }
        bool isOpen() const { return m_file.good(); }
        bool good() const { return m_file.good() && m_out.good(); }
        const std::string& path() const { return m_file.target(); }
        int error() const { return m_file.error(); }
        // Writes text and a line end.
        void line(std::string_view text)
        {
            write(text);
            m_out.write("\r\n", 2);
        }
        // Writes text already in the page's code page, and a line end.
        void lineOfPageBytes(std::string_view bytes)
        {
            m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            m_out.write("\r\n", 2);
        }
        // Writes text without a line end.
        void write(std::string_view text)
        {
            bool ascii = true;
            for (char c : text)
                if (static_cast<unsigned char>(c) >= 0x80) {
                    ascii = false;
                    break;
                }
            if (ascii) {
                m_out.write(text.data(), static_cast<std::streamsize>(text.size()));
                return;
            }
            std::string bytes = utf8ToCp1252(text);
            m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        // Puts the complete page in place of the old one.
        bool commit() { return m_file.commit(); }

    private:
        ReplacingFile m_file;
        std::ostream& m_out = m_file.stream();
    };

    // The name part of a path.
    std::string namePart(const std::string& path)
    {
        std::size_t slash = path.rfind(kPathSeparator);
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    bool reportWriteFailure(const PageWriter& page)
    {
        raiseSystemError(sLoadString(284) + page.path(), page.error());
        AfficheErreur("Erreur lors de la cr\xC3\xA9"
                      "ation du fichier HTML");
        return false;
    }

    // The offered text of the last row, as its details line: the rows of one folder share their readme,
    // so it is made and encoded for the page once.
    struct OfferedText {
        std::string path;
        std::string pageBytes; // Windows-1252; empty when the text is empty or unreadable
    };

    const std::string& offeredTextBytes(OfferedText& cache, FileSystem& fs, const std::string& path)
    {
        if (path != cache.path) {
            cache.path = path;
            std::string text = loadViewerText(fs, path).value_or(std::string());
            // Line ends become tags; the other control characters of the disc's text go no further.
            cache.pageBytes = text.empty()
                ? std::string()
                : utf8ToCp1252(sTexteHTML(blankControls(sChangeCaractere(sEchappeHTML(text), "\r\n", "<BR>"))));
        }
        return cache.pageBytes;
    }

    void writeDetailsBlock(PageWriter& data, const std::string& escapedPath, const std::string& anchor,
        const std::string& textBytes, const SelectionDetails& d)
    {
        data.line(kTableTag);
        data.line("<TR><TD ALIGN=CENTER COLSPAN=2>");
        data.line("<H3>" + sAncreHTML(escapedPath, true, true, anchor) + "</H3></TD></TR>");
        data.line("<TR VALIGN=TOP><TD><KBD>");
        data.lineOfPageBytes(textBytes);
        data.line("</KBD>");
        data.line("</TD><TD ALIGN=CENTER>");
        auto shown = [](const std::string& text) { return blankControls(sEchappeHTML(text)); };
        data.line(shown(d.productName) + "<BR>" + shown(d.copyright) + "<BR>" + shown(d.internalNameShown()) + "<BR>"
            + shown(d.companyName));
        data.line("</TD></TR>");
        data.line("</TABLE><BR>");
    }

    void writeTable(Grid& grid, int index, const std::string& detailsName, PageWriter& tablesPage, PageWriter& data,
        const HtmlReportRequest& request, const DetailsSource& source, OfferedText& offeredCache, int& rowsDone,
        int rowsTotal)
    {
        const TableTexts& texts = kTableTexts[static_cast<std::size_t>(index)];
        tablesPage.line("<CENTER><H3>" + sLienHTML(texts.link, detailsName, kTargetData, std::string(texts.anchor))
            + "</H3></CENTER>");
        data.line(
            "<CENTER><H3>" + sAncreHTML(texts.heading, false, true, std::string(texts.anchor)) + "</H3></CENTER>");

        tablesPage.line(kTableTag);
        for (int r = 0; r < grid.Rows(); ++r) {
            if (request.progress)
                request.progress(++rowsDone, rowsTotal);
            tablesPage.line("<P><TR>");
            SelectionDetails details;
            static const std::string kNone;
            const std::string* offered = &kNone; // the page bytes of the offered text, shared by a folder's rows
            if (r >= 1) {
                details = selectRow(grid, r, index, source);
                std::string offeredPath = details.offeredPath();
                if (!offeredPath.empty())
                    offered = &offeredTextBytes(offeredCache, source.fs, offeredPath);
            }
            for (int c = 0; c < grid.Cols(); ++c) {
                std::string cellText;
                if (c == ColLocation && r >= 1) {
                    std::string path = trim(grid.cell(r, c));
                    if (!request.keepDriveLetter)
                        path = sSansLecteur(path);
                    std::string escapedPath = sEchappeHTML(path);
                    if (!offered->empty()) {
                        std::string anchor = rowAnchorName(escapedPath, index, r);
                        cellText = sLienHTML(escapedPath, detailsName, kTargetData, anchor);
                        writeDetailsBlock(data, escapedPath, anchor, *offered, details);
                    } else {
                        cellText = escapedPath;
                    }
                } else {
                    cellText = sTexteHTML(sEchappeHTML(grid.cell(r, c)));
                }
                if (r == 0)
                    tablesPage.line("<TD ALIGN=CENTER><B>" + cellText + "</B></TD>");
                else
                    tablesPage.line("<TD>" + cellText + "</TD>");
            }
            tablesPage.line("</TR>");
        }
        tablesPage.line("</TABLE></P>");
        data.line("<BR><HR SIZE=4>");
        if (grid.Rows() > 1)
            grid.setRow(grid.Rows() - 1);
    }

} // namespace

HtmlReportFiles htmlReportFiles(const std::string& fileName)
{
    // Only the extension of the name part goes: a dot in a folder name, or the leading dot of a
    // hidden name, is no extension.
    std::size_t nameStart = fileName.rfind(kPathSeparator);
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::size_t dot = fileName.rfind('.');
    std::string base = dot != std::string::npos && dot > nameStart ? fileName.substr(0, dot) : fileName;
    return { fileName, base + "_tableaux.htm", base + "_donnees.htm" };
}

std::string sSansLecteur(std::string_view path)
{
    if (path.size() >= 2 && path[1] == ':'
        && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        return std::string(path.substr(2));
    return std::string(path);
}

std::string rowAnchorName(const std::string& escapedPath, int table, int row)
{
    return escapedPath + "_T" + std::to_string(table) + "R" + std::to_string(row);
}

bool writeHtmlReport(ResultTables& tables, const HtmlReportRequest& request, const DetailsSource& source,
    const HtmlTableShown& tableShown)
{
    HtmlReportFiles files = htmlReportFiles(request.fileName);
    std::string tablesName = namePart(files.tables);
    std::string detailsName = namePart(files.details);

    PageWriter frameset(files.frameset);
    if (!frameset.isOpen()) {
        AfficheErreurFichier(files.frameset, -40);
        return false;
    }
    frameset.line("<HTML><HEAD><TITLE>Liste des ex\xC3\xA9"
                  "cutables et archives ZIP du r\xC3\xA9"
                  "pertoire : "
        + sEchappeHTML(blankControls(request.directory)) + "</TITLE></HEAD>");
    frameset.line("<FRAMESET ROWS=\"55, 45\" BORDER=5 FRAMEBORDER=\"YES\" FRAMESPACING=5>");
    frameset.line("<FRAME SCROLLING=AUTO SRC=\"" + sEchappeHTML(tablesName) + "\" NAME=\"table\">");
    frameset.line("<FRAME SCROLLING=AUTO SRC=\"" + sEchappeHTML(detailsName) + "\" NAME=\"data\">");
    frameset.line("</FRAMESET></HTML>");
    if (!frameset.good())
        return reportWriteFailure(frameset);

    PageWriter tablesPage(files.tables);
    if (!tablesPage.isOpen()) {
        AfficheErreurFichier(files.tables, -40);
        return false;
    }
    PageWriter data(files.details);
    if (!data.isOpen()) {
        AfficheErreurFichier(files.details, -40);
        return false;
    }
    if (request.options.entete) {
        tablesPage.line(sEnteteHTML(request.options, std::string("Tableaux des fichiers")));
        data.line(sEnteteHTML(request.options,
            std::string("Liste des donn\xC3\xA9"
                        "es")));
    }

    std::string escapedDetailsName = sEchappeHTML(detailsName);
    OfferedText offeredCache;
    int rowsDone = 0;
    int rowsTotal = 0;
    for (int i = 0; i < TableCount; ++i)
        if ((request.table < 0 || request.table == i) && sRowCountText(tables.GridLogiciel(i)) != "0")
            rowsTotal += tables.GridLogiciel(i).Rows();
    for (int i = 0; i < TableCount; ++i) {
        if (request.table >= 0 && request.table != i)
            continue;
        if (tableShown)
            tableShown(i);
        Grid& grid = tables.GridLogiciel(i);
        if (sRowCountText(grid) == "0")
            continue;
        writeTable(grid, i, escapedDetailsName, tablesPage, data, request, source, offeredCache, rowsDone, rowsTotal);
        if (!tablesPage.good())
            return reportWriteFailure(tablesPage);
        if (!data.good())
            return reportWriteFailure(data);
    }

    if (request.options.fin)
        tablesPage.line(sFinHTML());
    // The frameset goes last: it is the page that is opened, and it only appears over a complete report.
    if (!tablesPage.commit())
        return reportWriteFailure(tablesPage);
    if (!data.commit())
        return reportWriteFailure(data);
    if (!frameset.commit())
        return reportWriteFailure(frameset);
    return true;
}

bool ConvertHTML(
    ResultTables& tables, const HtmlOptions& options, const DetailsSource& source, const HtmlCommandHooks& hooks)
{
    struct Busy {
        const HtmlCommandHooks& h;
        explicit Busy(const HtmlCommandHooks& hooks_)
            : h(hooks_)
        {
            if (h.busyOn)
                h.busyOn();
        }
        ~Busy()
        {
            if (h.busyOff)
                h.busyOff();
        }
    } busy(hooks);

    HtmlReportRequest request;
    request.options = options;
    request.fileName = dialogue().saveFileName("D\xC3\xA9signez le nom du fichier HTML \xC3\xA0 cr\xC3\xA9"
                                               "er",
        sLoadString(208), "Fichier.htm", ".htm");
    if (trim(request.fileName).empty())
        return false;
    std::string folder = directoryOf(request.fileName);
    if (folder.empty())
        folder = ".";
    if (!isWritableDirectory(folder)) {
        std::error_code ec;
        raiseSystemError("Path/File access error", std::filesystem::is_directory(folder, ec) ? EACCES : ENOENT);
        AfficheErreurFichier(request.fileName, -40);
        return false;
    }

    int all = iQuestion("Souhaitez-vous exporter au format HTML tous les tableaux ?");
    if (all == AnswerCancel)
        return false;
    if (all != AnswerYes) {
        std::string archives = "Archives ZIP";
        request.table = iChoixOptions(
            "S\xC3\xA9lectionnez le tableau \xC3\xA0 exporter : ", "Fichiers d'installation Setup/Install",
            "Fichiers Ex\xC3\xA9"
            "cutable",
            0, &archives);
        if (request.table < 0 || request.table >= TableCount)
            return false;
    }

    int drive = iQuestion("Une derni\xC3\xA8re question : \r\n\r\nSouhaitez-vous conserver la lettre du lecteur "
                          "(C:, D:, etc.) dans le chemin (path) des fichiers ?");
    if (drive == AnswerCancel)
        return false;
    request.keepDriveLetter = drive == AnswerYes;

    int tab = hooks.currentTab ? hooks.currentTab() : -1;
    request.directory = hooks.selectedDirectory ? hooks.selectedDirectory() : std::string();
    request.progress = hooks.progress;
    bool written = writeHtmlReport(tables, request, source, hooks.showTab ? HtmlTableShown(hooks.showTab) : nullptr);
    if (hooks.showTab && tab >= 0)
        hooks.showTab(tab);
    if (!written)
        return false;
    if (iQuestion("Souhaitez-vous consulter le r\xC3\xA9sultat de la g\xC3\xA9n\xC3\xA9ration ?") == AnswerYes
        && hooks.openResult)
        hooks.openResult(request.fileName);
    return true;
}

} // namespace quarex
