// The short French label of what the headers of an executable say it is.
#pragma once

#include "exe/exe_headers.h"

#include <string>

namespace quarex {

// The label of a header kind, e.g. "Exécutable Win32 (PE, i386, graphique)".
std::string kindLabel(const ExeHeader& header);

} // namespace quarex
