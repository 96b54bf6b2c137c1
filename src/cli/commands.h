// The subcommands of quarex-scan, each in a file of its own.
#pragma once

#include "scan/scan_engine.h"

#include <optional>
#include <string>

// `quarex-scan info FILE...` (info_command.cpp).
int runInfoCommand(int argc, char** argv);
// `--html FILE` (html_command.cpp); the files of the tables are read again through `fs`.
int runHtmlCommand(quarex::ResultTables& tables, const std::string& file, int table, bool keepDriveLetter,
    const std::optional<std::string>& settingsFile, const std::string& directory, quarex::FileSystem& fs);
