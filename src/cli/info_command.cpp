// quarex-scan info FILE...: one JSON object per file with what the reader finds in it.
#include "cli/commands.h"
#include "exe/executable_image.h"
#include "exe/file_info.h"
#include "exe/program_type.h"
#include "messages/messages.h"
#include "fs/disc_images.h"

#include <nlohmann/json.hpp>

#include <cerrno>
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
    bool anyFailed = false;
    for (int i = 0; i < argc; ++i) {
        if (hasImageExtension(argv[i])) {
            if (!writeImageInfo(argv[i]))
                anyFailed = true;
            continue;
        }
        zFileInfo info;
        ExecutableFacts facts;
        std::string error;
        // Only a regular file is read: a folder, a pipe or a device gets no size and no items.
        errno = 0;
        auto stated = nativeFileSystem().stat(argv[i]);
        if (!stated) {
            error = errno == ENOENT || errno == 0 ? "fichier introuvable"
                                                  : "accès impossible : " + systemErrorText(errno);
        } else if (!stated->isRegular) {
            error = stated->isDirectory ? "c'est un répertoire, pas un fichier" : "pas un fichier ordinaire";
        } else {
            // The file is opened and parsed once for its version strings, its header kind and its icon.
            errno = 0;
            auto image = info.PutFileName(argv[i]);
            if (image)
                facts = image->facts();
            else
                error = "lecture impossible : " + systemErrorText(errno ? errno : EACCES);
        }
        if (!error.empty()) {
            info = zFileInfo {};
            anyFailed = true;
        }
        nlohmann::ordered_json j;
        j["path"] = argv[i];
        for (int k = 0; k < zFileInfo::ItemCount; ++k)
            j[zFileInfo::itemNames()[k]] = info.item(static_cast<zFileInfo::Item>(k));
        j["kind"] = facts.kind;
        j["icon"] = facts.iconIco.has_value();
        j["type"] = sGetTypeProgramme(argv[i]);
        if (!error.empty())
            j["error"] = error;
        std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }
    return anyFailed ? 1 : 0;
}
