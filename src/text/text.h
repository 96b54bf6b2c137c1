// Text helpers shared by every part of the program: trimming, case, code pages.
// Text inside the program is UTF-8; text read from discs may be Windows-1252.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarex {

// Removes leading and trailing blanks (spaces only, like the classic Trim).
std::string trim(std::string_view text);
// Removes leading and trailing spaces, tabs, CR and LF.
std::string trimWhitespace(std::string_view text);
// The text without its leading and trailing spaces, as trim gives it, without a copy.
std::string_view trimView(std::string_view text);

// True when every byte is below 0x80.
bool isAscii(std::string_view text);
// True when the bytes form valid UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(std::string_view bytes);
// Decodes Windows-1252 bytes to UTF-8 (the five undefined bytes map to the C1 controls of the same value).
std::string cp1252ToUtf8(std::string_view bytes);
// Encodes UTF-8 text in Windows-1252; characters without a mapping become '?' (U+0081, U+008D, U+008F,
// U+0090 and U+009D give back their byte).
std::string utf8ToCp1252(std::string_view text);
// Text read from a disc: UTF-8 when valid, otherwise Windows-1252.
std::string decodeDiscText(std::string_view bytes);
// The text with every C0 control but the tab replaced by a blank (cell texts made of disc bytes).
std::string blankControls(std::string_view text);
// The text with C0 and C1 controls, DEL and bytes that are not UTF-8 written as "\xHH" (names shown on a terminal).
std::string escapeControls(std::string_view text);
// Appends one code point as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);
// Decodes one code point from UTF-8 at `i`; an invalid byte gives U+FFFD and advances by one.
char32_t nextCodePoint(std::string_view s, std::size_t& i);

// Upper-cases UTF-8 text (ASCII and Latin-1 letters); used for name comparisons.
std::string upperCase(std::string_view text);
// Lower-cases UTF-8 text (ASCII and Latin-1 letters).
std::string lowerCase(std::string_view text);
// Proper case: first letter of each blank-separated word upper case, the rest lower case.
std::string properCase(std::string_view text);

// Case-insensitive equality of two UTF-8 texts (ASCII and Latin-1 letters).
bool equalsNoCase(std::string_view a, std::string_view b);
// True when `text` ends with `suffix`, compared as equalsNoCase does.
bool endsWithNoCase(std::string_view text, std::string_view suffix);
// One byte upper-cased or lower-cased when it is an ASCII letter, otherwise as it is.
constexpr char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Empty for a blank path, else the path with one native separator appended unless present.
std::string AddBackslash(std::string_view path);
// The native path separator.
inline constexpr char kPathSeparator = '/';

// Formats a number with the pattern "### ### ###": groups of three digits separated by blanks;
// zero gives an empty text, as the pattern does.
std::string formatGroupedDigits(std::uint64_t value);

// Replaces every occurrence of `search` by `replace` (case-sensitive).
std::string replaceAll(std::string_view text, std::string_view search, std::string_view replace);

// Number of characters (code points) of UTF-8 text.
std::size_t utf8Length(std::string_view text);
// The first `count` characters (code points) of UTF-8 text.
std::string utf8Left(std::string_view text, std::size_t count);

// Standard base64 (RFC 4648, with padding) of any bytes.
std::string base64Encode(std::string_view bytes);

} // namespace quarex
