// Fills a table row the way the scan does, for tests of what reads the tables.
#pragma once

#include "grid/grid.h"
#include "text/text.h"

#include <string>

namespace quarex::test {

// Adds a row: first cell, location, proper-case name, and the real path; returns its index.
inline int addScannedRow(Grid& grid, const std::string& folder, const std::string& rawName, const std::string& first)
{
    int r = iGetClearLineGrid(grid, 2, true, "");
    grid.setCell(r, 0, first);
    grid.setCell(r, 1, " " + folder);
    grid.setCell(r, 2, " " + properCase(rawName));
    grid.setRowPath(r, folder + "/" + rawName);
    return r;
}

} // namespace quarex::test
