// The export dialogue of a table: the choice of form (CSV, PRN, TXT), the save dialog, then the writing.
#pragma once

#include "grid/grid.h"

#include <functional>
#include <string>

namespace quarex {

// What the front end does around a long operation (the busy state); empty functions do nothing.
struct BusyHooks {
    std::function<void()> on;
    std::function<void()> off;
};

// Asks for the form and the file through the current Dialogue and writes the grid; returns the path
// written, or "" when the user cancelled or the file could not be written.
std::string ExportGridDialog(const Grid& grid, const BusyHooks& busy);

} // namespace quarex
