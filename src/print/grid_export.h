// Writing a grid to a delimited text file (CSV, PRN, TXT), in Windows-1252 with CR LF line ends.
#pragma once

#include "grid/grid.h"

#include <ostream>
#include <string>

namespace quarex {

// The three export forms and their fixed values.
struct ExportForm {
    int titleId; // string id of the file dialog's title
    std::string filter;
    std::string proposedName;
    std::string extension;
    std::string separator;
    std::string quote;
};
// CSV (0), PRN (1), TXT (2).
const ExportForm& exportForm(int index);

// Writes every row (header included) and every column of the grid to `out`.
// Inside quotes, a double quote of a cell is doubled so that the file reads back into the same cells.
void writeGrid(const Grid& grid, std::ostream& out, const std::string& sep = "\t", const std::string& quote = "");
// Writes the grid to a file; reports "Erreur d'écriture sur le fichier : " + name when it cannot be created.
bool GridExport(const Grid& grid, const std::string& sFile, const std::string& sSep = "\t",
    const std::string& sQuote = "");

} // namespace quarex
