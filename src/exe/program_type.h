// The kind of program a file is, guessed from keywords of its full path (folder names such as WIN95 or DOS).
#pragma once

#include <string>
#include <string_view>

namespace quarex {

// "Programme OS2", "Programme MS-DOS", "Programme Windows 32s", "Programme Windows 3.1x",
// "Programme Windows 95", "Programme Windows NT", or "" when no keyword occurs in the path.
std::string sGetTypeProgramme(std::string_view fullPath);

} // namespace quarex
