#include "print/grid_export.h"

#include "fs/replacing_file.h"
#include "messages/messages.h"
#include "text/string_table.h"
#include "text/text.h"

namespace quarex {

const ExportForm& exportForm(int index)
{
    static const ExportForm forms[] = {
        { 488, sLoadString(492), "Fichier.csv", ".csv", ",", "\"" },
        { 489, "PRN File (*.prn)|*.prn", "Fichier.prn", ".prn", " ", "" },
        { 490, sLoadString(207), "Fichier.txt", ".txt", "\t", "\"" },
    };
    return forms[index < 0 || index > 2 ? 0 : index];
}

void writeGrid(const Grid& grid, std::ostream& out, const std::string& sep, const std::string& quote)
{
    const std::string doubled = quote + quote;
    for (int r = 0; r < grid.Rows(); ++r) {
        std::string line;
        for (int c = 0; c < grid.Cols(); ++c) {
            if (c > 0)
                line += sep;
            line += quote;
            const std::string& text = grid.cell(r, c);
            line += quote.empty() ? text : replaceAll(text, quote, doubled);
            line += quote;
        }
        line += "\r\n";
        out << utf8ToCp1252(line);
    }
}

bool GridExport(const Grid& grid, const std::string& sFile, const std::string& sSep, const std::string& sQuote)
{
    // The old file stays whole until the new one is complete.
    ReplacingFile file(sFile);
    if (!file.good()) {
        raiseSystemError("Path/File access error", file.error());
        AfficheErreur(sLoadString(284) + sFile);
        return false;
    }
    writeGrid(grid, file.stream(), sSep, sQuote);
    if (!file.commit()) {
        raiseSystemError("Device I/O error", file.error());
        AfficheErreur("GridExport()");
        return false;
    }
    return true;
}

} // namespace quarex
