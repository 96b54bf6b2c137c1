#include "scan/scan_facts.h"

#include "scan/directory_context.h"
#include "scan/scan_engine.h"
#include "text/text.h"

#include <algorithm>

namespace quarex {

namespace {

    // The first byte of a packing: facts present, and the kind of program.
    constexpr char kFactsMark = 'V';
    constexpr char kPlainDosMark = 'M';

    bool equalsAsciiNoCase(std::string_view a, std::string_view b)
    {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (upperAscii(a[i]) != upperAscii(b[i]))
                return false;
        }
        return true;
    }

    std::string archiveBase(std::string_view displayName)
    {
        return upperCase(displayName.substr(0, displayName.find('.')));
    }

} // namespace

std::string packRowFacts(const zFileInfo& info, bool isArchive)
{
    std::optional<bool> plainDos = info.plainDosProgram();
    if (!isArchive && !plainDos)
        return {};
    std::string packed(1, !isArchive && *plainDos ? kPlainDosMark : kFactsMark);
    if (isArchive)
        return packed + std::string(3, '\0');
    // Version strings end at their first NUL when read: the NUL separates them safely.
    for (const std::string* text :
        { &info.sProductName(), &info.sLegalCopyright(), &info.sInternalName(), &info.sCompanyName() }) {
        packed += *text;
        packed.push_back('\0');
    }
    packed.pop_back();
    return packed;
}

std::optional<RowFacts> unpackRowFacts(std::string_view packed)
{
    if (packed.empty() || (packed[0] != kFactsMark && packed[0] != kPlainDosMark))
        return std::nullopt;
    RowFacts facts;
    facts.plainDosProgram = packed[0] == kPlainDosMark;
    std::string* fields[] = { &facts.productName, &facts.copyright, &facts.internalName, &facts.companyName };
    std::string_view rest = packed.substr(1);
    for (std::size_t i = 0; i < 4; ++i) {
        std::size_t end = rest.find('\0');
        if ((end == std::string_view::npos) != (i == 3))
            return std::nullopt;
        *fields[i] = std::string(rest.substr(0, end));
        if (end != std::string_view::npos)
            rest.remove_prefix(end + 1);
    }
    return facts;
}

void KeptListing::add(Kind kind, std::string_view rawName)
{
    m_packed.push_back(static_cast<char>(kind));
    m_packed.append(rawName);
    m_packed.push_back('\0');
}

std::vector<KeptListing::Name> KeptListing::names() const
{
    std::vector<Name> out;
    std::string_view rest = m_packed;
    while (rest.size() >= 2) {
        std::size_t end = rest.find('\0', 1);
        if (end == std::string_view::npos)
            break;
        out.push_back({ static_cast<Kind>(rest[0]), rest.substr(1, end - 1) });
        rest.remove_prefix(end + 1);
    }
    return out;
}

void KeptListings::keep(DirectoryContext& context, bool listingComplete)
{
    if (has(context.realPath()))
        return;
    const DirectoryHandle& dir = context.handle();
    // An archive's details look for the files named like it (base*.*): those are kept too.
    std::vector<std::string> bases;
    for (const ListedFile& file : context.files())
        if (tableForFile(file.name) == TableArchives)
            bases.push_back(archiveBase(file.name));
    if (!bases.empty() && !listingComplete)
        return;
    auto startsLikeAnArchive = [&](std::string_view rawName) {
        for (const std::string& base : bases) {
            // Upper-casing never turns another character into ASCII: an ASCII base is compared with the
            // name's bytes as they are, the common case, without decoding every name of the folder.
            if (isAscii(base)) {
                if (rawName.size() >= base.size() && isAscii(rawName.substr(0, base.size()))
                    && equalsAsciiNoCase(rawName.substr(0, base.size()), base))
                    return true;
            } else if (upperCase(displayName(rawName)).starts_with(base)) {
                return true;
            }
        }
        return false;
    };
    KeptListing listing;
    for (const DirEntry& e : dir.entries()) {
        bool asFile = hasRelatedExtension(e.name) || startsLikeAnArchive(e.name);
        switch (e.type) {
        case EntryType::File:
            if (asFile)
                listing.add(KeptListing::Kind::File, e.name);
            break;
        case EntryType::Directory:
            if (isDiskSetFolder(e.name))
                listing.add(KeptListing::Kind::Folder, e.name);
            break;
        case EntryType::Symlink:
        case EntryType::Unknown:
            if (asFile || isDiskSetFolder(e.name))
                listing.add(KeptListing::Kind::Untyped, e.name);
            break;
        case EntryType::Other:
            break; // neither a regular file nor a folder
        }
    }
    m_listings.emplace(dir.path(), std::move(listing));
    m_last = dir.path();
}

bool KeptListings::has(const std::string& folder) const { return m_last == folder || m_listings.count(folder) != 0; }

const KeptListing* KeptListings::find(const std::string& folder) const
{
    auto found = m_listings.find(folder);
    return found == m_listings.end() ? nullptr : &found->second;
}

void KeptListings::clear()
{
    m_listings.clear();
    m_last.clear();
}

bool hasRelatedExtension(std::string_view name)
{
    // The extensions of the "*.ext" patterns of the list, and ZIP, lower-cased; and their longest length.
    struct Extensions {
        std::vector<std::string> list { "zip" };
        std::size_t longest = 3;
    };
    static const Extensions known = [] {
        Extensions out;
        std::string_view patterns = kRelatedPatterns;
        while (!patterns.empty()) {
            std::size_t semi = patterns.find(';');
            std::string_view pattern = patterns.substr(0, semi);
            if (pattern.starts_with("*.")) {
                out.list.push_back(lowerCase(pattern.substr(2)));
                out.longest = std::max(out.longest, pattern.size() - 2);
            }
            if (semi == std::string_view::npos)
                break;
            patterns.remove_prefix(semi + 1);
        }
        return out;
    }();
    // Every name of a folder passes here during the scan: no allocation for the common case.
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.size() - dot - 1 > known.longest)
        return false;
    char lower[16];
    std::size_t length = name.size() - dot - 1;
    if (length > sizeof lower) {
        std::string longer = lowerCase(name.substr(dot + 1));
        return std::find(known.list.begin(), known.list.end(), longer) != known.list.end();
    }
    for (std::size_t i = 0; i < length; ++i) {
        lower[i] = lowerAscii(name[dot + 1 + i]);
    }
    std::string_view extension(lower, length);
    for (const std::string& e : known.list)
        if (extension == e)
            return true;
    return false;
}

bool isDiskSetFolder(std::string_view name)
{
    for (std::string_view disk : { "DISK2", "D2", "DISK3", "D3" })
        if (equalsAsciiNoCase(name, disk))
            return true;
    return false;
}

} // namespace quarex
