// quarex-scan info FILE...: one JSON object per file with what the reader finds in it.
#include "cli/commands.h"
#include "exe/exe_reader.h"
#include "exe/file_info.h"
#include "exe/program_type.h"
#include "fs/disc_images.h"

#include <nlohmann/json.hpp>

#include <iostream>

using namespace quarex;

namespace {

// One JSON line of what an image tells of itself; false (and a message naming it) when it cannot be read.
bool writeImageInfo(const std::string& path)
{
    std::string error;
    auto info = readImageInfo(path, error);
    if (!info) {
        std::cerr << "quarex-scan : image illisible : " << path << " (" << error << ")" << std::endl;
        return false;
    }
    nlohmann::ordered_json j;
    j["path"] = path;
    j["format"] = info->format;
    j["label"] = info->label;
    j["created"] = info->created ? formatDateTime(info->created) : "";
    j["application"] = info->application;
    j["publisher"] = info->publisher;
    j["preparer"] = info->preparer;
    j["system"] = info->system;
    j["extensions"] = info->extensions;
    j["sectorSize"] = info->sectorSize;
    j["tracks"] = nlohmann::json::array();
    for (const TrackInfo& t : info->tracks)
        j["tracks"].push_back({ { "number", t.number }, { "mode", t.mode }, { "start", t.startSector } });
    std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return true;
}

} // namespace

int runInfoCommand(int argc, char** argv)
{
    if (argc < 1) {
        std::cerr << "quarex-scan : info attend au moins un fichier\n";
        return 2;
    }
    int status = 0;
    for (int i = 0; i < argc; ++i) {
        if (hasImageExtension(argv[i])) {
            if (!writeImageInfo(argv[i]))
                status = 1;
            continue;
        }
        zFileInfo info;
        // The file is opened once for its version strings, its header kind and its icon.
        auto file = info.PutFileName(argv[i]);
        ExecutableFacts facts = file ? readExecutableFacts(*file) : ExecutableFacts {};
        nlohmann::ordered_json j;
        j["path"] = argv[i];
        for (int k = 0; k < zFileInfo::ItemCount; ++k)
            j[zFileInfo::itemNames()[k]] = info.item(static_cast<zFileInfo::Item>(k));
        j["kind"] = facts.kind;
        j["icon"] = facts.iconIco.has_value();
        j["type"] = sGetTypeProgramme(argv[i]);
        std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }
    return status;
}
