#include "scan/file_info.h"

#include "lib/text.h"

#include <cstdio>
#include <ctime>

namespace quarex {

const std::array<const char*, zFileInfo::ItemCount>& zFileInfo::itemNames()
{
    static const std::array<const char*, ItemCount> names = { "Size", "SizeKo", "Date", "Time", "FileVersion",
        "LegalCopyright", "FileDescription", "InternalName", "OriginalFilename", "ProductName", "ProductVersion",
        "CompanyName" };
    return names;
}

std::string formatDateTime(std::int64_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    if (!localtime_r(&t, &tm))
        return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
        tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

void zFileInfo::clear()
{
    for (auto& s : m_items)
        s.clear();
}

void zFileInfo::putFacts(const FileFacts& facts)
{
    // The "### ### ###" pattern prints nothing for 0; an empty file still has a size: "0".
    m_items[Size] = facts.size == 0 ? std::string("0") : formatGroupedDigits(facts.size);
    if (m_items[Size].size() > 4)
        m_items[SizeKo] = m_items[Size].substr(0, m_items[Size].size() - 4);
    std::string stamp = formatDateTime(facts.modified);
    if (stamp.size() >= 19) {
        m_items[Date] = stamp.substr(0, 10);
        m_items[Time] = stamp.substr(stamp.size() - 8);
    }
}

void zFileInfo::PutFileName(const std::string& sFileName)
{
    clear();
    if (trim(sFileName).empty())
        return;
    FileSystem& fs = m_fs ? *m_fs : nativeFileSystem();
    auto facts = fs.stat(sFileName);
    if (!facts)
        return;
    putFacts(*facts);
    if (!facts->isRegular)
        return;
    auto file = fs.open(sFileName);
    PutOpenFile(file.get(), *facts);
}

void zFileInfo::PutFile(DirectoryHandle& dir, std::string_view name, const FileFacts& facts)
{
    clear();
    putFacts(facts);
    if (!facts.isRegular)
        return;
    auto file = dir.openChild(name);
    PutOpenFile(file.get(), facts);
}

void zFileInfo::PutOpenFile(ReadableFile* file, const FileFacts& facts)
{
    if (m_items[Size].empty())
        putFacts(facts);
    if (!file)
        return;
    // The version block is read from the executable itself (see exe_reader.h).
}

std::string zFileInfo::sValueOfKey(std::string_view block, std::string_view key)
{
    std::size_t p = block.find(key);
    if (p == std::string_view::npos)
        return {};
    // The value follows the key and its NUL, padded to four bytes: 12 for an 11-character key,
    // 16 for 12 to 15 characters, 20 for 16 characters.
    std::size_t k = ((key.size() + 1 + 3) / 4) * 4;
    std::size_t start = p + k;
    if (start >= block.size())
        return {};
    std::size_t end = block.find('\0', start);
    return std::string(block.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

void zFileInfo::PutVersionBlock(std::string_view block, bool valuesAreCp1252)
{
    struct Key {
        const char* name;
        Item item;
    };
    static const Key keys[] = { { "CompanyName", CompanyName }, { "FileDescription", FileDescription },
        { "FileVersion", FileVersion }, { "InternalName", InternalName }, { "LegalCopyright", LegalCopyright },
        { "OriginalFilename", OriginalFilename }, { "ProductName", ProductName },
        { "ProductVersion", ProductVersion } };
    for (const Key& key : keys) {
        std::string value = sValueOfKey(block, key.name);
        m_items[key.item] = valuesAreCp1252 ? cp1252ToUtf8(value) : decodeDiscText(value);
    }
}

} // namespace quarex
