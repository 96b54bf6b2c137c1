#include "exe/program_type.h"

#include "text/text.h"

#include <array>

namespace quarex {

std::string sGetTypeProgramme(std::string_view fullPath)
{
    struct Rule {
        std::array<std::string_view, 3> keywords; // unused slots stay empty
        const char* label;
    };
    // The order matters: W32S before W3, DOS before every Windows keyword, NT (the loosest) last.
    static const Rule rules[] = {
        { { "OS2" }, "Programme OS2" },
        { { "DOS" }, "Programme MS-DOS" },
        { { "WIN32S", "W32S" }, "Programme Windows 32s" },
        { { "WIN3", "W3", "16B" }, "Programme Windows 3.1x" },
        { { "WIN95", "W95", "32B" }, "Programme Windows 95" },
        { { "WINNT", "WNT", "NT" }, "Programme Windows NT" },
    };
    const std::string path = upperCase(fullPath);
    for (const Rule& rule : rules)
        for (std::string_view keyword : rule.keywords)
            if (!keyword.empty() && path.find(keyword) != std::string::npos)
                return rule.label;
    return {};
}

} // namespace quarex
