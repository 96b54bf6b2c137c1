// The print and export commands of the main window: each runs in the busy state and goes through the
// preview (print) or the export dialogue.
#pragma once

#include "grid/grid.h"

#include <string>

class QString;

namespace quarex {

// Previews a table in landscape under a title (see sPrintTableTitle), with the default label.
void printTable(const Grid& grid, const std::string& title);
// Previews a text in portrait, cut into lines at its line ends.
void printText(const std::string& text);
// The same, for the text of a text box (Qt gives its lines joined by LF or by the paragraph separator).
void printText(const QString& text);
// Asks for the form and the file and exports the table (CSV, PRN or TXT).
void ExportGridDialog(const Grid& grid);

// Line ends of any kind (CR LF, LF, CR, U+2029) written as CR LF.
std::string withCrLf(const std::string& text);

} // namespace quarex
