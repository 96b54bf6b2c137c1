// quarex-scan --html FICHIER: the HTML report of the window, written without it.
#include "cli/commands.h"
#include "html/html_options.h"
#include "html/html_report.h"
#include "settings/app_paths.h"
#include "messages/messages.h"

#include <iostream>
#include <optional>
#include <string>

using namespace quarex;

// Writes the three pages of the report for the scanned tables; returns the exit code.
int runHtmlCommand(ResultTables& tables, const std::string& file, int table, bool keepDriveLetter,
    const std::optional<std::string>& settingsFile, const std::string& directory, FileSystem& fs)
{
    HtmlReportRequest request;
    request.fileName = file;
    request.table = table;
    request.keepDriveLetter = keepDriveLetter;
    request.directory = directory;
    request.options = loadHtmlOptions(settingsFile.value_or(settingsFilePath()));
    DetailsSource source { fs, windowsDirectory() };
    // The folders as the scan listed them: the report does not list them again.
    FolderListingCache cache(&tables.keptListings());
    source.cache = &cache;
    if (!writeHtmlReport(tables, request, source)) {
        std::cerr << "quarex-scan : rapport HTML non écrit : " << file << std::endl;
        return 1;
    }
    return 0;
}
