#include "text/text.h"

#include <algorithm>
#include <array>

namespace quarex {

std::string trim(std::string_view text) { return std::string(trimView(text)); }

std::string_view trimView(std::string_view text)
{
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string trimWhitespace(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    std::size_t last = text.find_last_not_of(blanks);
    return std::string(text.substr(first, last - first + 1));
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isValidUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))
            || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

namespace {

    // Windows-1252 bytes 0x80..0x9F; 0 marks the five undefined positions, which stand for the C1
    // control of the same value (so that such a byte read from a disc is written back unchanged).
    constexpr std::array<char16_t, 32> kCp1252High = { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
        0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };

    char32_t upperCodePoint(char32_t cp)
    {
        if (cp >= 'a' && cp <= 'z')
            return cp - 32;
        if ((cp >= 0xE0 && cp <= 0xFE && cp != 0xF7))
            return cp - 32;
        if (cp == 0xFF)
            return 0x178;
        if (cp == 0x153)
            return 0x152;
        if (cp == 0x161)
            return 0x160;
        if (cp == 0x17E)
            return 0x17D;
        return cp;
    }

    char32_t lowerCodePoint(char32_t cp)
    {
        if (cp >= 'A' && cp <= 'Z')
            return cp + 32;
        if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7))
            return cp + 32;
        if (cp == 0x178)
            return 0xFF;
        if (cp == 0x152)
            return 0x153;
        if (cp == 0x160)
            return 0x161;
        if (cp == 0x17D)
            return 0x17E;
        return cp;
    }

    template <typename F> std::string mapCodePoints(std::string_view text, F&& f)
    {
        std::string out;
        out.reserve(text.size());
        bool ascii = true;
        for (char c : text)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) {
            for (char c : text)
                out.push_back(static_cast<char>(f(static_cast<char32_t>(static_cast<unsigned char>(c)))));
            return out;
        }
        std::size_t i = 0;
        while (i < text.size()) {
            auto c = static_cast<unsigned char>(text[i]);
            if (c < 0x80) {
                out.push_back(static_cast<char>(f(static_cast<char32_t>(c))));
                ++i;
                continue;
            }
            std::size_t start = i;
            char32_t cp = nextCodePoint(text, i);
            if (cp == 0xFFFD && i == start + 1 && c != 0xEF)
                out.push_back(static_cast<char>(c)); // keep stray bytes as they are
            else
                appendUtf8(out, f(cp));
        }
        return out;
    }

} // namespace

char32_t nextCodePoint(std::string_view s, std::size_t& i)
{
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        ++i;
        return c;
    }
    int extra = c >= 0xF8 ? -1 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + extra >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    i += extra + 1;
    return cp;
}

std::string cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out.push_back(ch);
        else if (c < 0xA0)
            appendUtf8(out, kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : c);
        else
            appendUtf8(out, c);
    }
    return out;
}

std::string utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = nextCodePoint(text, i);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char mapped = '?';
        if (cp >= 0x80 && cp < 0xA0 && kCp1252High[cp - 0x80] == 0) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        for (std::size_t k = 0; k < kCp1252High.size(); ++k) {
            if (kCp1252High[k] && kCp1252High[k] == cp) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

std::string blankControls(std::string_view text)
{
    auto isBlanked = [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; };
    if (std::none_of(text.begin(), text.end(), isBlanked))
        return std::string(text);
    std::string out(text);
    std::replace_if(out.begin(), out.end(), isBlanked, ' ');
    return out;
}

std::string escapeControls(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    auto escape = [&](unsigned value) {
        out += "\\x";
        out += kHex[(value >> 4) & 0xF];
        out += kHex[value & 0xF];
    };
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t start = i;
        char32_t cp = nextCodePoint(text, i);
        std::string_view sequence = text.substr(start, i - start);
        if (static_cast<unsigned char>(text[start]) >= 0x80 && !isValidUtf8(sequence)) {
            // A stray byte is shown as such: with what follows, a terminal could read it as a command.
            escape(static_cast<unsigned char>(text[start]));
            i = start + 1;
        } else if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            // C0 and C1 controls (some terminals take U+009B as the start of a command).
            escape(static_cast<unsigned>(cp));
        } else {
            out.append(sequence);
        }
    }
    return out;
}

std::string decodeDiscText(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return std::string(bytes);
    return cp1252ToUtf8(bytes);
}

std::string upperCase(std::string_view text) { return mapCodePoints(text, upperCodePoint); }

std::string lowerCase(std::string_view text) { return mapCodePoints(text, lowerCodePoint); }

std::string properCase(std::string_view text)
{
    bool wordStart = true;
    return mapCodePoints(text, [&](char32_t cp) {
        if (cp == ' ' || cp == '\t' || cp == '\n' || cp == '\r' || cp == '\f' || cp == '\v' || cp == 0) {
            wordStart = true;
            return cp;
        }
        char32_t mapped = wordStart ? upperCodePoint(cp) : lowerCodePoint(cp);
        wordStart = false;
        return mapped;
    });
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() == b.size()) {
        bool ascii = true;
        for (std::size_t i = 0; i < a.size(); ++i) {
            auto ca = static_cast<unsigned char>(a[i]);
            auto cb = static_cast<unsigned char>(b[i]);
            if (ca >= 0x80 || cb >= 0x80) {
                ascii = false;
                break;
            }
            if (ca != cb && (ca | 0x20) != (cb | 0x20))
                return false;
            if (ca != cb && !((ca | 0x20) >= 'a' && (ca | 0x20) <= 'z'))
                return false;
        }
        if (ascii)
            return true;
    } else {
        // Upper-casing never turns another character into ASCII: texts of different lengths, one of
        // them ASCII, cannot be equal (the common case of a name against a fixed name).
        if (isAscii(a) || isAscii(b))
            return false;
    }
    return upperCase(a) == upperCase(b);
}

bool endsWithNoCase(std::string_view text, std::string_view suffix)
{
    // A letter and its other case have UTF-8 forms of the same length: the tail has the suffix's byte count.
    return text.size() >= suffix.size() && equalsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string AddBackslash(std::string_view path)
{
    if (trim(path).empty())
        return {};
    std::string out(path);
    if (out.back() != kPathSeparator)
        out.push_back(kPathSeparator);
    return out;
}

std::string formatGroupedDigits(std::uint64_t value)
{
    if (value == 0)
        return {};
    std::string digits = std::to_string(value);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    std::size_t lead = digits.size() % 3;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (i - lead) % 3 == 0 && i >= lead)
            out.push_back(' ');
        out.push_back(digits[i]);
    }
    return out;
}

std::string replaceAll(std::string_view text, std::string_view search, std::string_view replace)
{
    if (search.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t found = text.find(search, pos);
        if (found == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, found - pos));
        out.append(replace);
        pos = found + search.size();
    }
    return out;
}

std::size_t utf8Length(std::string_view text)
{
    std::size_t n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string utf8Left(std::string_view text, std::size_t count)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (n == count)
                return std::string(text.substr(0, i));
            ++n;
        }
    }
    return std::string(text);
}

std::string base64Encode(std::string_view bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t n = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16
            | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8
            | static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t n = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (rest == 2)
            n |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
        out += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

} // namespace quarex
