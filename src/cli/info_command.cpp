// quarex-scan info FILE...: one JSON object per file with what the reader finds in it.
#include "scan/file_info.h"

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
        info.PutFileName(argv[i]);
        nlohmann::json j;
        j["path"] = argv[i];
        for (int k = 0; k < zFileInfo::ItemCount; ++k)
            j[zFileInfo::itemNames()[k]] = info.item(static_cast<zFileInfo::Item>(k));
        std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }
    return 0;
}
