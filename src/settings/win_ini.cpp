#include "settings/win_ini.h"

#include "fs/file_system.h"
#include "settings/app_paths.h"
#include "settings/ini_store.h"
#include "text/text.h"

namespace quarex {

std::string GetWinIni(std::string_view section, std::string_view key)
{
    std::string windows = windowsDirectory();
    if (windows.empty())
        return {};
    // A Wine prefix names it win.ini; a copied Windows tree may say WIN.INI.
    FileSystem& fs = nativeFileSystem();
    std::string file;
    for (const char* name : { "WIN.INI", "win.ini" }) {
        std::string candidate = joinPath(windows, name);
        if (auto facts = fs.stat(candidate); facts && facts->isRegular) {
            file = candidate;
            break;
        }
    }
    if (file.empty()) {
        if (auto dir = fs.openDirectory(windows)) {
            for (const DirEntry& e : dir->entries()) {
                if (equalsNoCase(e.name, "WIN.INI")) {
                    file = joinPath(windows, e.name);
                    break;
                }
            }
        }
    }
    if (file.empty())
        return {};
    return GetIniString(section, key, "", file);
}

std::string sGetExtensionProgram(std::string_view extension)
{
    std::string ext = trim(extension);
    if (ext.empty())
        return {};
    std::string value = GetWinIni("Extensions", ext);
    return trim(value.substr(0, value.find('^')));
}

} // namespace quarex
