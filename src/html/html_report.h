// The HTML report: a frameset page F, a tables page B + "_tableaux.htm" (upper frame "table")
// and a details page B + "_donnees.htm" (lower frame "data"), B being F less its extension: all three
// in the folder of F.
// Pages are written in Windows-1252 with CR LF line ends, one line at a time.
#pragma once

#include "html/html_options.h"
#include "scan/scan_engine.h"
#include "scan/selection_details.h"

#include <functional>
#include <string>

namespace quarex {

struct HtmlReportRequest {
    std::string fileName; // F
    int table = -1; // -1: all tables; else 0, 1 or 2
    bool keepDriveLetter = true;
    std::string directory; // the explored directory, shown in the frameset's title
    HtmlOptions options;
    // Told of each row as it is written: rows done, rows of the tables written (none: not told).
    std::function<void(int done, int total)> progress;
};

// The three file names of a report: F, B + "_tableaux.htm", B + "_donnees.htm" (B: F less its extension).
struct HtmlReportFiles {
    std::string frameset;
    std::string tables;
    std::string details;
};
HtmlReportFiles htmlReportFiles(const std::string& fileName);

// "X:" at the start of a path removed; any other path kept whole.
std::string sSansLecteur(std::string_view path);

// The anchor name of a row: the row's path made distinct by its table and row numbers.
std::string rowAnchorName(const std::string& escapedPath, int table, int row);

// Told of each table as it is written (the window shows its tab).
using HtmlTableShown = std::function<void(int table)>;

// Writes the three pages. Each row is selected in turn as a click would (its "0" placeholders are
// replaced); the last row of each written table stays current. False when a file could not be
// written, after the message has been shown.
bool writeHtmlReport(ResultTables& tables, const HtmlReportRequest& request, const DetailsSource& source,
    const HtmlTableShown& tableShown = {});

// What the report command needs of the window.
struct HtmlCommandHooks {
    std::function<std::string()> selectedDirectory; // the entry selected in the directory list
    std::function<int()> currentTab;
    std::function<void(int)> showTab;
    std::function<void(const std::string&)> openResult; // opens F with the associated browser
    std::function<void()> busyOn;
    std::function<void()> busyOff;
    std::function<void(int done, int total)> progress; // the pages being written, row by row
};

// The report command: save dialog, all tables or one, drive letters, then the pages and the offer
// to open them. Cancel at any question writes nothing; a file whose folder is missing or cannot be
// written to is refused right after the save dialog, before the questions. Returns true when the pages were written.
bool ConvertHTML(
    ResultTables& tables, const HtmlOptions& options, const DetailsSource& source, const HtmlCommandHooks& hooks);

} // namespace quarex
