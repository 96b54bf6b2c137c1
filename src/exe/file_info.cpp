#include "exe/file_info.h"

#include "text/text.h"

#include <climits>
#include <cstdint>
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
    // Files of one disc share few distinct hours: remember the last local-time conversion of an hour.
    thread_local std::int64_t cachedHour = INT64_MIN;
    thread_local std::int64_t cachedHourStart = 0;
    thread_local std::tm cachedTm {};
    std::tm tm {};
    std::int64_t hour = seconds >= 0 ? seconds / 3600 : -((-seconds + 3599) / 3600);
    std::int64_t rest = seconds - cachedHourStart;
    if (hour == cachedHour && rest >= 0 && rest < 3600) {
        tm = cachedTm;
        tm.tm_min = static_cast<int>(rest / 60);
        tm.tm_sec = static_cast<int>(rest % 60);
    } else {
        std::time_t t = static_cast<std::time_t>(seconds);
        if (!localtime_r(&t, &tm))
            return {};
        if (tm.tm_sec < 60) {
            cachedHour = hour;
            cachedHourStart = seconds - tm.tm_min * 60 - tm.tm_sec;
            cachedTm = tm;
        }
    }
    char buffer[20];
    auto put2 = [&](int at, int v) {
        buffer[at] = static_cast<char>('0' + (v / 10) % 10);
        buffer[at + 1] = static_cast<char>('0' + v % 10);
    };
    int year = tm.tm_year + 1900;
    if (year < 0 || year > 9999)
        return {};
    put2(0, tm.tm_mday);
    buffer[2] = '/';
    put2(3, tm.tm_mon + 1);
    buffer[5] = '/';
    put2(6, year / 100);
    put2(8, year % 100);
    buffer[10] = ' ';
    put2(11, tm.tm_hour);
    buffer[13] = ':';
    put2(14, tm.tm_min);
    buffer[16] = ':';
    put2(17, tm.tm_sec);
    return std::string(buffer, 19);
}

void zFileInfo::clear()
{
    for (auto& s : m_items)
        s.clear();
    m_found = 0;
    m_headerKnown = false;
    m_plainDos = false;
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

std::unique_ptr<ExecutableImage> zFileInfo::PutFileName(const std::string& sFileName)
{
    clear();
    if (trim(sFileName).empty())
        return nullptr;
    FileSystem& fs = m_fs ? *m_fs : nativeFileSystem();
    auto facts = fs.stat(sFileName);
    if (!facts)
        return nullptr;
    putFacts(*facts);
    if (!facts->isRegular)
        return nullptr;
    auto file = fs.open(sFileName);
    if (!file)
        return nullptr;
    auto image = std::make_unique<ExecutableImage>(std::move(file));
    PutExecutable(*image);
    return image;
}

void zFileInfo::PutFile(
    DirectoryHandle& dir, std::string_view name, const std::optional<FileFacts>& knownFacts, bool readVersion)
{
    clear();
    FileFacts facts = knownFacts.value_or(FileFacts {});
    std::unique_ptr<ReadableFile> file;
    if (!knownFacts) {
        if (readVersion) {
            file = dir.openChild(name);
            if (file && file->facts())
                facts = *file->facts();
            else
                file.reset();
        }
        if (!file) {
            auto stated = dir.statChild(name);
            if (!stated)
                return;
            facts = *stated;
        }
    }
    putFacts(facts);
    // No executable header fits in fewer than 64 bytes: such a file has no version block to open for.
    // Opened anyway for its size, it tells at no cost whether it is a bare MS-DOS header.
    if (readVersion && file && facts.isRegular && facts.size < 64) {
        ExecutableImage image(*file);
        notePlainDos(image);
    }
    if (!readVersion || !facts.isRegular || facts.size < 64)
        return;
    if (!file)
        file = dir.openChild(name);
    PutOpenFile(file.get(), facts);
}

void zFileInfo::PutOpenFile(ReadableFile* file, const FileFacts& facts)
{
    if (m_items[Size].empty())
        putFacts(facts);
    if (!file)
        return;
    ExecutableImage image(*file);
    PutExecutable(image);
}

void zFileInfo::PutExecutable(ExecutableImage& image)
{
    if (auto version = image.searchableVersionBlock()) {
        PutVersionBlock(version->block, version->valuesAreCp1252);
        m_headerKnown = true; // a file with resources is no bare MS-DOS program
        m_plainDos = false;
    } else {
        notePlainDos(image);
    }
}

void zFileInfo::notePlainDos(ExecutableImage& image)
{
    const ExeHeader* header = image.header();
    m_headerKnown = true;
    m_plainDos = header && header->format == ExeFormat::Dos;
}

std::string zFileInfo::sValueOfKey(std::string_view block, std::string_view key)
{
    return valueOfKey(block, key).value_or(std::string());
}

std::optional<std::string> zFileInfo::valueOfKey(std::string_view block, std::string_view key)
{
    std::size_t p = block.find(key);
    if (p == std::string_view::npos)
        return std::nullopt;
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
        std::optional<std::string> value = valueOfKey(block, key.name);
        if (!value) {
            m_items[key.item].clear();
            m_found &= ~(1u << key.item);
            continue;
        }
        m_found |= 1u << key.item;
        m_items[key.item] = valuesAreCp1252 ? cp1252ToUtf8(*value) : decodeDiscText(*value);
    }
}

} // namespace quarex
