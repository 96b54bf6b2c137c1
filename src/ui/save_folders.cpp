#include "ui/save_folders.h"

#include "settings/app_paths.h"
#include "settings/ini_store.h"
#include "text/text.h"

#include <filesystem>
#include <system_error>

namespace quarex {

namespace {

    const char* const kSection = "Dossiers";

    const char* keyOf(SaveKind kind)
    {
        switch (kind) {
        case SaveKind::Html:
            return "html";
        case SaveKind::Pdf:
            return "pdf";
        case SaveKind::Export:
            break;
        }
        return "export";
    }

} // namespace

SaveKind saveKindForExtension(const std::string& ext)
{
    std::string e = lowerCase(trim(ext));
    while (!e.empty() && e.front() == '.')
        e.erase(0, 1);
    if (e == "htm" || e == "html")
        return SaveKind::Html;
    if (e == "pdf")
        return SaveKind::Pdf;
    return SaveKind::Export;
}

std::string lastSaveFolder(SaveKind kind)
{
    std::string folder = IniFile(settingsFilePath()).get(kSection, keyOf(kind));
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec))
        return {};
    return folder;
}

void rememberSaveFolder(SaveKind kind, const std::string& file)
{
    std::filesystem::path folder = std::filesystem::path(file).parent_path();
    if (folder.empty())
        return;
    std::string value = folder.string();
    IniFile settings(settingsFilePath());
    if (settings.get(kSection, keyOf(kind)) != value)
        settings.set(kSection, keyOf(kind), value);
}

} // namespace quarex
