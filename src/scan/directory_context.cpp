#include "scan/directory_context.h"

#include "text/text.h"

#include <algorithm>

namespace quarex {

DirectoryContext::DirectoryContext(std::string displayPath, DirectoryHandle& handle)
    : m_displayPath(std::move(displayPath))
    , m_handle(handle)
{
    for (const DirEntry& e : handle.entries()) {
        if (e.type == EntryType::Directory || !matchesScanPatterns(e.name))
            continue;
        std::string name = trim(displayName(e.name));
        if (name.empty())
            continue;
        if (e.type == EntryType::File) {
            m_files.push_back(ListedFile { e.name, name, upperCase(name), std::nullopt });
            continue;
        }
        std::optional<FileFacts> facts = handle.statChild(e.name);
        if (!facts || facts->isDirectory || !facts->isRegular)
            continue;
        m_files.push_back(ListedFile { e.name, name, upperCase(name), facts });
    }
    // Names on disk are unique in a folder, so the order is total and a plain sort gives the one result.
    std::sort(m_files.begin(), m_files.end(), [](const ListedFile& a, const ListedFile& b) {
        int byKey = a.sortKey.compare(b.sortKey);
        return byKey != 0 ? byKey < 0 : a.rawName < b.rawName;
    });
}

const std::string* DirectoryContext::findSibling(std::string_view name) const
{
    const auto& entries = m_handle.entries();
    // An exact match wins over a match in another case.
    for (const DirEntry& e : entries)
        if (e.name == name)
            return &e.name;
    // An ASCII name can only match an ASCII entry of the same length (upper-casing never turns other
    // characters into ASCII): one pass finds it without building the index.
    if (isAscii(name)) {
        for (const DirEntry& e : entries)
            if (e.name.size() == name.size() && equalsNoCase(e.name, name))
                return &e.name;
        return nullptr;
    }
    if (!m_siblingIndex) {
        m_siblingIndex = std::make_unique<std::vector<std::pair<std::string, std::size_t>>>();
        m_siblingIndex->reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            m_siblingIndex->emplace_back(upperCase(displayName(entries[i].name)), i);
        std::sort(m_siblingIndex->begin(), m_siblingIndex->end());
    }
    std::string key = upperCase(name);
    auto it = std::lower_bound(m_siblingIndex->begin(), m_siblingIndex->end(), std::make_pair(key, std::size_t(0)));
    if (it != m_siblingIndex->end() && it->first == key)
        return &entries[it->second].name;
    return nullptr;
}

std::string displayName(std::string_view rawName)
{
    std::string_view name = rawName.substr(0, rawName.find('\0'));
    return decodeDiscText(name);
}

bool matchesScanPatterns(std::string_view name) { return endsWithNoCase(name, ".exe") || endsWithNoCase(name, ".zip"); }

} // namespace quarex
