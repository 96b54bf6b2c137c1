#include "print/grid_export.h"

#include "fs/replacing_file.h"
#include "messages/messages.h"
#include "text/string_table.h"
#include "text/text.h"

#include <algorithm>
#include <cerrno>
#include <fstream>

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
    // The whole table goes out in one write; a line is converted on its own only when it is not ASCII.
    std::string buffer;
    std::string line;
    for (int r = 0; r < grid.Rows(); ++r) {
        line.clear();
        for (int c = 0; c < grid.Cols(); ++c) {
            if (c > 0)
                line += sep;
            line += quote;
            const std::string& text = grid.cell(r, c);
            if (quote.empty() || text.find(quote) == std::string::npos)
                line += text;
            else
                line += replaceAll(text, quote, doubled);
            line += quote;
        }
        line += "\r\n";
        if (isAscii(line))
            buffer += line;
        else
            buffer += utf8ToCp1252(line);
    }
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
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
