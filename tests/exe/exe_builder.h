// Builders of small executables and version blocks for the reader's tests and the fuzzer's seeds:
// PE32/PE32+ with a resource tree laid out as asked (entries kept in the order given), NE with a
// resource table, LE with one version record, and version blocks in both layouts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarex::test {

inline void putU16(std::string& s, std::size_t at, std::uint32_t v)
{
    if (s.size() < at + 2)
        s.resize(at + 2, '\0');
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void putU32(std::string& s, std::size_t at, std::uint32_t v)
{
    putU16(s, at, v & 0xFFFF);
    putU16(s, at + 2, v >> 16);
}
inline void appendU16(std::string& s, std::uint32_t v) { putU16(s, s.size(), v); }
inline void appendU32(std::string& s, std::uint32_t v) { putU32(s, s.size(), v); }
inline void padTo4(std::string& s)
{
    while (s.size() % 4)
        s.push_back('\0');
}

// UTF-16LE bytes of UTF-8 text (pairs for characters outside the basic plane), without a terminator.
inline std::string utf16le(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        char32_t cp;
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            appendU16(out, 0xD800 + (cp >> 10));
            appendU16(out, 0xDC00 + (cp & 0x3FF));
        } else {
            appendU16(out, cp);
        }
    }
    return out;
}

// ---- Version blocks -----------------------------------------------------------------------------------

// After a node's header and key: pad, value, pad, each child padded; then wLength.
inline void appendValueAndChildren(std::string& n, std::string_view value, const std::vector<std::string>& children)
{
    padTo4(n);
    n += value;
    padTo4(n);
    for (const std::string& c : children) {
        n += c;
        padTo4(n);
    }
    putU16(n, 0, static_cast<std::uint32_t>(n.size()));
}

// One node of a 32-bit block: wLength, wValueLength, wType, UTF-16 key + NUL, pad, value, pad, children.
inline std::string node32(std::string_view key, std::string_view value, std::uint16_t valueLength, std::uint16_t type,
    const std::vector<std::string>& children = {})
{
    std::string n(6, '\0');
    n += utf16le(key);
    n.append(2, '\0');
    appendValueAndChildren(n, value, children);
    putU16(n, 2, valueLength);
    putU16(n, 4, type);
    return n;
}

// A 32-bit String entry with a NUL-terminated UTF-16 value (wValueLength in characters).
inline std::string string32(std::string_view key, std::string_view value)
{
    std::string v = utf16le(value) + std::string(2, '\0');
    return node32(key, v, static_cast<std::uint16_t>(v.size() / 2), 1);
}

// A 32-bit block: fixed info, then one StringTable per (table key, entries), then a translation.
inline std::string versionBlock32(const std::vector<std::pair<std::string, std::vector<std::string>>>& tables)
{
    std::string fixed(52, '\0');
    putU32(fixed, 0, 0xFEEF04BD);
    putU32(fixed, 4, 0x00010000);
    std::vector<std::string> stringTables;
    for (const auto& [key, entries] : tables)
        stringTables.push_back(node32(key, "", 0, 1, entries));
    std::string translation;
    appendU16(translation, 0x040C);
    appendU16(translation, 1252);
    return node32("VS_VERSION_INFO", fixed, 52, 0,
        { node32("StringFileInfo", "", 0, 1, stringTables),
            node32("VarFileInfo", "", 0, 1, { node32("Translation", translation, 4, 0) }) });
}

// One node of a 16-bit block: wLength, wValueLength, key + NUL, pad, value, pad, children.
inline std::string node16(std::string_view key, std::string_view value, const std::vector<std::string>& children = {})
{
    std::string n(4, '\0');
    n += key;
    n.push_back('\0');
    appendValueAndChildren(n, value, children);
    putU16(n, 2, static_cast<std::uint32_t>(value.size()));
    return n;
}

// A 16-bit block with one string table of (key, Windows-1252 value) entries.
inline std::string versionBlock16(
    std::string_view tableKey, const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string fixed(52, '\0');
    putU32(fixed, 0, 0xFEEF04BD);
    std::vector<std::string> strings;
    for (const auto& [key, value] : entries)
        strings.push_back(node16(key, value + std::string(1, '\0')));
    return node16("VS_VERSION_INFO", fixed, { node16("StringFileInfo", "", { node16(tableKey, "", strings) }) });
}

// ---- PE -----------------------------------------------------------------------------------------------

class PeBuilder {
public:
    struct Lang {
        std::uint16_t id;
        std::string data;
    };
    struct Name {
        bool named = false;
        std::uint16_t id = 0;
        std::string text; // UTF-8 when named
        std::vector<Lang> langs;
    };
    struct Type {
        std::uint16_t id;
        std::vector<Name> names;
    };
    // Where build() put things, relative to the resource root unless said otherwise.
    struct Layout {
        std::uint32_t rootFileOffset = 0;
        std::uint32_t rootRva = 0;
        std::vector<std::uint32_t> typeDirs; // per type
        std::vector<std::vector<std::uint32_t>> nameDirs; // per type, per name
        std::vector<std::vector<std::vector<std::uint32_t>>> dataEntries; // per type, name, language
        std::uint32_t sectionHeader = 0; // file offset of the section header
    };

    bool plus = false;
    std::uint16_t machine = 0x014C;
    std::uint16_t subsystem = 2;
    std::uint16_t characteristics = 0x0102;
    std::uint32_t lfanew = 0x80;
    bool clr = false;
    std::vector<Type> types;
    Layout layout;

    // Adds a resource with a numeric name; entries keep the order of the calls.
    PeBuilder& add(std::uint16_t type, std::uint16_t id, std::uint16_t lang, std::string data)
    {
        nameEntry(type, false, id, {}).langs.push_back(Lang { lang, std::move(data) });
        return *this;
    }
    // Adds a resource with a string name.
    PeBuilder& addNamed(std::uint16_t type, const std::string& name, std::uint16_t lang, std::string data)
    {
        nameEntry(type, true, 0, name).langs.push_back(Lang { lang, std::move(data) });
        return *this;
    }

    std::string build()
    {
        const std::uint32_t kRsrcFile = 0x400, kRsrcRva = 0x1000;
        std::string rsrc = resources(kRsrcRva);
        std::string f(kRsrcFile, '\0');
        f[0] = 'M';
        f[1] = 'Z';
        const std::uint32_t pe = lfanew;
        f.replace(pe, 4, std::string("PE\0\0", 4));
        const std::uint32_t coff = pe + 4;
        const std::uint16_t optionalSize = plus ? 240 : 224;
        putU16(f, coff, machine);
        putU16(f, coff + 2, 1);
        putU16(f, coff + 16, optionalSize);
        putU16(f, coff + 18, characteristics);
        const std::uint32_t opt = pe + 24;
        putU16(f, opt, plus ? 0x20B : 0x10B);
        putU32(f, opt + 32, 0x1000);
        putU32(f, opt + 36, 0x200);
        putU32(f, opt + 56, 0x3000);
        putU32(f, opt + 60, kRsrcFile);
        putU16(f, opt + 68, subsystem);
        const std::uint32_t dirs = opt + (plus ? 112 : 96);
        putU32(f, opt + (plus ? 108 : 92), 16);
        putU32(f, dirs + 16, kRsrcRva);
        putU32(f, dirs + 20, static_cast<std::uint32_t>(rsrc.size()));
        if (clr) {
            putU32(f, dirs + 14 * 8, 0x2000);
            putU32(f, dirs + 14 * 8 + 4, 0x48);
        }
        const std::uint32_t section = opt + optionalSize;
        layout.sectionHeader = section;
        f.replace(section, 5, ".rsrc");
        const std::uint32_t raw = static_cast<std::uint32_t>((rsrc.size() + 0x1FF) & ~std::size_t(0x1FF));
        putU32(f, section + 8, static_cast<std::uint32_t>(rsrc.size()));
        putU32(f, section + 12, kRsrcRva);
        putU32(f, section + 16, raw);
        putU32(f, section + 20, kRsrcFile);
        // A header inside the MS-DOS header overlaps e_lfanew: write it last.
        putU32(f, 0x3C, lfanew);
        f.resize(kRsrcFile);
        rsrc.resize(raw, '\0');
        layout.rootFileOffset = kRsrcFile;
        layout.rootRva = kRsrcRva;
        return f + rsrc;
    }

private:
    Name& nameEntry(std::uint16_t type, bool named, std::uint16_t id, const std::string& text)
    {
        Type* t = nullptr;
        for (Type& each : types)
            if (each.id == type)
                t = &each;
        if (!t) {
            types.push_back(Type { type, {} });
            t = &types.back();
        }
        for (Name& n : t->names)
            if (n.named == named && n.id == id && n.text == text)
                return n;
        t->names.push_back(Name { named, id, text, {} });
        return t->names.back();
    }

    std::string resources(std::uint32_t rva)
    {
        layout = Layout {};
        // Directories first (root, types, names), then data entries, names, data.
        std::uint32_t at = 16 + 8 * static_cast<std::uint32_t>(types.size());
        for (const Type& t : types) {
            layout.typeDirs.push_back(at);
            at += 16 + 8 * static_cast<std::uint32_t>(t.names.size());
        }
        layout.nameDirs.resize(types.size());
        for (std::size_t i = 0; i < types.size(); ++i)
            for (const Name& n : types[i].names) {
                layout.nameDirs[i].push_back(at);
                at += 16 + 8 * static_cast<std::uint32_t>(n.langs.size());
            }
        layout.dataEntries.resize(types.size());
        for (std::size_t i = 0; i < types.size(); ++i) {
            layout.dataEntries[i].resize(types[i].names.size());
            for (std::size_t j = 0; j < types[i].names.size(); ++j)
                for (std::size_t k = 0; k < types[i].names[j].langs.size(); ++k) {
                    layout.dataEntries[i][j].push_back(at);
                    at += 16;
                }
        }
        std::string out(at, '\0');
        auto directory = [&](std::uint32_t offset, std::size_t named, std::size_t ids) {
            putU16(out, offset + 12, static_cast<std::uint32_t>(named));
            putU16(out, offset + 14, static_cast<std::uint32_t>(ids));
        };
        directory(0, 0, types.size());
        for (std::size_t i = 0; i < types.size(); ++i) {
            putU32(out, 16 + 8 * i, types[i].id);
            putU32(out, 16 + 8 * i + 4, 0x80000000u | layout.typeDirs[i]);
            std::size_t named = 0;
            for (const Name& n : types[i].names)
                named += n.named;
            directory(layout.typeDirs[i], named, types[i].names.size() - named);
            for (std::size_t j = 0; j < types[i].names.size(); ++j) {
                const Name& n = types[i].names[j];
                const std::uint32_t entry = layout.typeDirs[i] + 16 + 8 * static_cast<std::uint32_t>(j);
                std::uint32_t nameField = n.id;
                if (n.named) {
                    padTo4(out);
                    nameField = 0x80000000u | static_cast<std::uint32_t>(out.size());
                    std::string text = utf16le(n.text);
                    appendU16(out, static_cast<std::uint32_t>(text.size() / 2));
                    out += text;
                }
                putU32(out, entry, nameField);
                putU32(out, entry + 4, 0x80000000u | layout.nameDirs[i][j]);
                directory(layout.nameDirs[i][j], 0, n.langs.size());
                for (std::size_t k = 0; k < n.langs.size(); ++k) {
                    const std::uint32_t langEntry = layout.nameDirs[i][j] + 16 + 8 * static_cast<std::uint32_t>(k);
                    putU32(out, langEntry, n.langs[k].id);
                    putU32(out, langEntry + 4, layout.dataEntries[i][j][k]);
                }
            }
        }
        for (std::size_t i = 0; i < types.size(); ++i)
            for (std::size_t j = 0; j < types[i].names.size(); ++j)
                for (std::size_t k = 0; k < types[i].names[j].langs.size(); ++k) {
                    padTo4(out);
                    const std::string& data = types[i].names[j].langs[k].data;
                    putU32(out, layout.dataEntries[i][j][k], rva + static_cast<std::uint32_t>(out.size()));
                    putU32(out, layout.dataEntries[i][j][k] + 4, static_cast<std::uint32_t>(data.size()));
                    out += data;
                }
        return out;
    }
};

// ---- NE -----------------------------------------------------------------------------------------------

class NeBuilder {
public:
    struct Resource {
        std::uint16_t type;
        std::uint16_t id;
        std::string data;
    };
    std::uint8_t targetOs = 2;
    std::uint16_t flags = 0x0302;
    std::uint16_t shift = 4;
    std::vector<Resource> resources;
    std::uint32_t tableOffset = 0; // file offset of the resource table, set by build()

    NeBuilder& add(std::uint16_t type, std::uint16_t id, std::string data)
    {
        resources.push_back(Resource { type, id, std::move(data) });
        return *this;
    }

    std::string build()
    {
        const std::uint32_t ne = 0x40;
        std::string f(ne + 0x40, '\0');
        f[0] = 'M';
        f[1] = 'Z';
        putU32(f, 0x3C, ne);
        f[ne] = 'N';
        f[ne + 1] = 'E';
        putU16(f, ne + 0x0C, flags);
        f[ne + 0x36] = static_cast<char>(targetOs);
        // Resource table: shift, then runs of equal types, then a zero type.
        std::string table;
        appendU16(table, shift);
        std::vector<std::size_t> nameInfo(resources.size());
        for (std::size_t i = 0; i < resources.size();) {
            std::size_t j = i;
            while (j < resources.size() && resources[j].type == resources[i].type)
                ++j;
            appendU16(table, resources[i].type);
            appendU16(table, static_cast<std::uint32_t>(j - i));
            appendU32(table, 0);
            for (; i < j; ++i) {
                nameInfo[i] = table.size();
                table.append(12, '\0');
                putU16(table, nameInfo[i] + 4, 0x0030);
                putU16(table, nameInfo[i] + 6, resources[i].id);
            }
        }
        appendU16(table, 0);
        tableOffset = ne + 0x40;
        putU16(f, ne + 0x24, 0x40);
        putU16(f, ne + 0x26, 0x40 + static_cast<std::uint32_t>(table.size()));
        std::string data = f + table + std::string(1, '\0');
        const std::size_t unit = std::size_t(1) << shift;
        for (std::size_t i = 0; i < resources.size(); ++i) {
            while (data.size() % unit)
                data.push_back('\0');
            std::size_t length = (resources[i].data.size() + unit - 1) / unit;
            putU16(data, tableOffset + nameInfo[i], static_cast<std::uint32_t>(data.size() / unit));
            putU16(data, tableOffset + nameInfo[i] + 2, static_cast<std::uint32_t>(length));
            data += resources[i].data;
        }
        while (data.size() % unit)
            data.push_back('\0');
        return data;
    }
};

// ---- LE -----------------------------------------------------------------------------------------------

// A VxD-like LE file whose e32_winresoff/e32_winreslen point at one 16-bit version record.
inline std::string leFile(
    const std::string& versionBlock, std::uint16_t osType = 4, std::uint32_t moduleFlags = 0x38000)
{
    const std::uint32_t le = 0x80;
    std::string f(le + 0xC4, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    putU32(f, 0x3C, le);
    f[le] = 'L';
    f[le + 1] = 'E';
    putU16(f, le + 0x0A, osType);
    putU32(f, le + 0x10, moduleFlags);
    std::string record;
    record.push_back('\xFF');
    appendU16(record, 16);
    record.push_back('\xFF');
    appendU16(record, 1);
    appendU16(record, 0x0030);
    appendU32(record, static_cast<std::uint32_t>(versionBlock.size()));
    record += versionBlock;
    putU32(f, le + 0xB8, static_cast<std::uint32_t>(f.size()));
    putU32(f, le + 0xBC, static_cast<std::uint32_t>(record.size()));
    return f + record;
}

// ---- Icons --------------------------------------------------------------------------------------------

// A BITMAPINFOHEADER icon image of the given size and bit count (pixels left at zero).
inline std::string dibImage(std::int32_t width, std::int32_t height, std::uint16_t bits)
{
    std::string img(40, '\0');
    putU32(img, 0, 40);
    putU32(img, 4, static_cast<std::uint32_t>(width));
    putU32(img, 8, static_cast<std::uint32_t>(height * 2));
    putU16(img, 12, 1);
    putU16(img, 14, bits);
    std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    std::size_t mask = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    std::size_t palette = bits <= 8 ? (std::size_t(1) << bits) * 4 : 0;
    img.append(palette + (stride + mask) * static_cast<std::size_t>(height), '\0');
    return img;
}

// The first bytes of a PNG image: signature and IHDR (enough for the reader; not a displayable picture).
inline std::string pngImage(
    std::uint32_t width, std::uint32_t height, std::uint8_t depth = 8, std::uint8_t colourType = 6)
{
    std::string img("\x89PNG\r\n\x1a\n", 8);
    img += std::string("\0\0\0\x0dIHDR", 8);
    for (std::uint32_t v : { width, height })
        for (int s = 24; s >= 0; s -= 8)
            img.push_back(static_cast<char>((v >> s) & 0xFF));
    img.push_back(static_cast<char>(depth));
    img.push_back(static_cast<char>(colourType));
    img.append(7, '\0');
    return img;
}

// A group icon directory: (width, height, colours, planes, bit count, bytes, icon id) per image.
struct GroupClaim {
    std::uint8_t width, height, colours;
    std::uint16_t planes, bitCount;
    std::uint32_t bytes;
    std::uint16_t id;
};
inline std::string groupIcon(const std::vector<GroupClaim>& claims)
{
    std::string g;
    appendU16(g, 0);
    appendU16(g, 1);
    appendU16(g, static_cast<std::uint32_t>(claims.size()));
    for (const GroupClaim& c : claims) {
        g.push_back(static_cast<char>(c.width));
        g.push_back(static_cast<char>(c.height));
        g.push_back(static_cast<char>(c.colours));
        g.push_back('\0');
        appendU16(g, c.planes);
        appendU16(g, c.bitCount);
        appendU32(g, c.bytes);
        appendU16(g, c.id);
    }
    return g;
}

} // namespace quarex::test
