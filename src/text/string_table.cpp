#include "text/string_table.h"

#include <string_view>
#include <unordered_map>

namespace quarex::detail {
extern const char* const kStringTableText;
}

namespace quarex {

namespace {

    // Each line is "id<TAB>text"; "\n", "\r" and "\t" in the text stand for control characters;
    // lines starting with '#' are comments.
    std::unordered_map<int, std::string> parseTable()
    {
        std::unordered_map<int, std::string> table;
        std::string_view all(detail::kStringTableText);
        std::size_t pos = 0;
        while (pos < all.size()) {
            std::size_t end = all.find('\n', pos);
            if (end == std::string_view::npos)
                end = all.size();
            std::string_view line = all.substr(pos, end - pos);
            pos = end + 1;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (line.empty() || line[0] == '#')
                continue;
            std::size_t tab = line.find('\t');
            if (tab == std::string_view::npos)
                continue;
            int id = 0;
            bool ok = tab > 0;
            for (std::size_t i = 0; i < tab; ++i) {
                if (line[i] < '0' || line[i] > '9') {
                    ok = false;
                    break;
                }
                id = id * 10 + (line[i] - '0');
            }
            if (!ok)
                continue;
            std::string text;
            std::string_view raw = line.substr(tab + 1);
            for (std::size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == '\\' && i + 1 < raw.size()) {
                    char n = raw[i + 1];
                    if (n == 'n' || n == 'r' || n == 't' || n == '\\') {
                        text.push_back(n == 'n' ? '\n' : n == 'r' ? '\r' : n == 't' ? '\t' : '\\');
                        ++i;
                        continue;
                    }
                }
                text.push_back(raw[i]);
            }
            table[id] = std::move(text);
        }
        return table;
    }

    const std::unordered_map<int, std::string>& table()
    {
        static const std::unordered_map<int, std::string> t = parseTable();
        return t;
    }

} // namespace

const std::string& sLoadString(int id)
{
    static const std::string empty;
    auto it = table().find(id);
    return it == table().end() ? empty : it->second;
}

bool hasString(int id) { return table().count(id) != 0; }

} // namespace quarex
