// WIN.INI of the Wine prefix: the programs that open each extension.
#pragma once

#include <string>
#include <string_view>

namespace quarex {

// A value of WIN.INI in the Windows directory ("" when there is none).
std::string GetWinIni(std::string_view section, std::string_view key);
// The program that WIN.INI's section "Extensions" gives for an extension (text before "^"), or "".
std::string sGetExtensionProgram(std::string_view extension);

} // namespace quarex
