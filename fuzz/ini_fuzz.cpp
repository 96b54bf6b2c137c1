// Feeds arbitrary bytes to the setup-script reader: the one-pass lookup of several keys must give,
// key by key, what the line-by-line document gives, under both the classic and the large-file rules.
#include "settings/ini_store.h"
#include "text/text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first line, when there is one, names a key to look up as "section/key" (besides fixed ones).
    std::string_view asked = bytes.substr(0, bytes.find('\n'));
    std::size_t slash = asked.find('/');
    std::vector<quarex::IniKey> keys = { { "Setup", "Title" }, { "Params", "WndTitle" },
        { "Windows 95 Params", "WndTitle" } };
    if (slash != std::string_view::npos)
        keys.push_back({ asked.substr(0, slash), asked.substr(slash + 1) });

    std::vector<std::string> values = quarex::iniValuesFromBytes(bytes, keys);
    if (values.size() != keys.size())
        std::abort();
    quarex::IniDocument doc = quarex::IniDocument::parse(bytes);
    quarex::IniRules rules = quarex::iniRulesForSize(bytes.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        std::string expected = doc.find(keys[k].section, keys[k].key, rules).value_or("");
        if (rules == quarex::IniRules::Classic && quarex::utf8Length(expected) > quarex::kIniValueLimit)
            expected = quarex::trim(quarex::utf8Left(expected, quarex::kIniValueLimit));
        if (values[k] != expected || !quarex::isValidUtf8(values[k]))
            std::abort();
    }
    // A document read back gives its own bytes.
    if (doc.bytes() != bytes)
        std::abort();
    return 0;
}
