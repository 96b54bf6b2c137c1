// quarex-scan info FILE...: one JSON object per file with what the reader finds in it.
#include "cli/commands.h"
#include "exe/executable_image.h"
#include "exe/file_info.h"
#include "exe/program_type.h"

#include <nlohmann/json.hpp>

#include <iostream>

using namespace quarex;

int runInfoCommand(int argc, char** argv)
{
    if (argc < 1) {
        std::cerr << "quarex-scan : info attend au moins un fichier\n";
        return 2;
    }
    for (int i = 0; i < argc; ++i) {
        zFileInfo info;
        // The file is opened and parsed once for its version strings, its header kind and its icon.
        auto image = info.PutFileName(argv[i]);
        ExecutableFacts facts = image ? image->facts() : ExecutableFacts {};
        nlohmann::ordered_json j;
        j["path"] = argv[i];
        for (int k = 0; k < zFileInfo::ItemCount; ++k)
            j[zFileInfo::itemNames()[k]] = info.item(static_cast<zFileInfo::Item>(k));
        j["kind"] = facts.kind;
        j["icon"] = facts.iconIco.has_value();
        j["type"] = sGetTypeProgramme(argv[i]);
        std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }
    return 0;
}
