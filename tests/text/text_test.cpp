#include "text/text.h"

#include <gtest/gtest.h>

using namespace quarex;

TEST(Text, ProperCaseFollowsWordsAndKeepsAccents)
{
    EXPECT_EQ(properCase("SETUP.EXE"), "Setup.exe");
    EXPECT_EQ(properCase("install.exe.zip"), "Install.exe.zip");
    EXPECT_EQ(properCase("MON JEU  FAVORI.EXE"), "Mon Jeu  Favori.exe");
    EXPECT_EQ(properCase("ÉTÉ À PARIS"), "Été À Paris");
    EXPECT_EQ(upperCase("éèàçœ"), "ÉÈÀÇŒ");
}

TEST(Text, CodePagesRoundTripAndInvalidUtf8IsDetected)
{
    std::string cp1252 = "Caf\xe9 \x80 \x93ok\x94";
    ASSERT_FALSE(isValidUtf8(cp1252));
    std::string utf8 = cp1252ToUtf8(cp1252);
    EXPECT_EQ(utf8, "Café € “ok”");
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToCp1252(utf8), cp1252);
    EXPECT_EQ(utf8ToCp1252("日本"), "??");
    EXPECT_EQ(decodeDiscText("d\xe9j\xe0"), "déjà");
    EXPECT_EQ(decodeDiscText("déjà"), "déjà");
    // Overlong forms and surrogates are not UTF-8.
    EXPECT_FALSE(isValidUtf8("\xc0\xaf"));
    EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));
    EXPECT_FALSE(isValidUtf8("\xe2\x82"));
}

TEST(Text, AddBackslashAndGroupedDigits)
{
    EXPECT_EQ(AddBackslash("   "), "");
    EXPECT_EQ(AddBackslash("/media/cd"), "/media/cd/");
    EXPECT_EQ(AddBackslash("/"), "/");
    EXPECT_EQ(formatGroupedDigits(1234567), "1 234 567");
    EXPECT_EQ(formatGroupedDigits(999), "999");
    EXPECT_EQ(formatGroupedDigits(1000), "1 000");
    EXPECT_EQ(formatGroupedDigits(123456), "123 456");
    EXPECT_EQ(formatGroupedDigits(0), "");
}

TEST(Text, Utf8LeftCountsCharactersNotBytes)
{
    EXPECT_EQ(utf8Length("été"), 3u);
    EXPECT_EQ(utf8Left("éàü", 2), "éà");
    EXPECT_EQ(utf8Left("ab", 5), "ab");
    EXPECT_EQ(replaceAll("a\"b\"", "\"", "\"\""), "a\"\"b\"\"");
}

TEST(Text, Base64OfAnyBytes)
{
    // The test vectors of RFC 4648, then bytes that are not text.
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("f"), "Zg==");
    EXPECT_EQ(base64Encode("fo"), "Zm8=");
    EXPECT_EQ(base64Encode("foo"), "Zm9v");
    EXPECT_EQ(base64Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(base64Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64Encode(std::string("\xff\xfe\x00\xe9", 4)), "//4A6Q==");
    EXPECT_EQ(base64Encode("/cd/caf\xe9.zip"), "L2NkL2NhZukuemlw");
}

TEST(Text, EveryWindows1252ByteComesBackUnchanged)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    std::string utf8 = cp1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToCp1252(utf8), all);
    // The five undefined bytes stand for the C1 controls of the same value, as the system conversion does.
    EXPECT_EQ(cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d");
    EXPECT_EQ(decodeDiscText("Jeu\x81"), "Jeu\xc2\x81");
    // The other C1 controls have no byte of their own: 0x80 is the euro sign.
    EXPECT_EQ(utf8ToCp1252("\xc2\x80\xc2\x82\xc2\x9f"), "???");
}

TEST(Text, ControlCharactersAreBlankedInCellsAndEscapedOnTheTerminal)
{
    EXPECT_EQ(blankControls(std::string("a\0b\x1b]0;t\x07z\r\n", 12)), "a b ]0;t z  ");
    EXPECT_EQ(blankControls("tab\tkept, é, \x7f"), "tab\tkept, é, \x7f");
    EXPECT_EQ(blankControls(""), "");

    EXPECT_EQ(escapeControls("CD\x1b]0;pirate\x07/Jeux"), "CD\\x1B]0;pirate\\x07/Jeux");
    EXPECT_EQ(escapeControls(std::string("a\0b\tc\x7f", 6)), "a\\x00b\\x09c\\x7F");
    // C1 controls, and bytes that are not UTF-8 (a lone 0x9B is a command introducer for some terminals).
    EXPECT_EQ(escapeControls("x\xc2\x9b"
                             "2Jy"),
        "x\\x9B2Jy");
    EXPECT_EQ(escapeControls("x\x9b"
                             "2J\xff\xc3"),
        "x\\x9B2J\\xFF\\xC3");
    EXPECT_EQ(escapeControls("\xc0\x9b"), "\\xC0\\x9B");
    EXPECT_EQ(escapeControls("Été à 100 €, 日本"), "Été à 100 €, 日本");
}

TEST(Text, SuffixesTrimmedViewsAndAsciiBytes)
{
    EXPECT_TRUE(endsWithNoCase("SETUP.EXE", ".exe"));
    EXPECT_TRUE(endsWithNoCase("setup.Exe", ".EXE"));
    EXPECT_TRUE(endsWithNoCase(".exe", ".EXE"));
    EXPECT_TRUE(endsWithNoCase("JEU.ZIP", ""));
    EXPECT_FALSE(endsWithNoCase("exe", ".exe"));
    EXPECT_FALSE(endsWithNoCase("SETUP.EXF", ".exe"));
    EXPECT_FALSE(endsWithNoCase("SETUP.EXE ", ".exe"));
    // Accented letters match their other case; a byte that is not a letter never matches a letter.
    EXPECT_TRUE(endsWithNoCase("NOTES D'ÉTÉ", "d'été"));
    EXPECT_FALSE(endsWithNoCase("CAFÉ", "cafe"));
    EXPECT_FALSE(endsWithNoCase("A@", "a`"));

    std::string padded = "  deux  mots   ";
    std::string_view core = trimView(padded);
    EXPECT_EQ(core, "deux  mots");
    EXPECT_EQ(core.data(), padded.data() + 2);
    EXPECT_EQ(trimView("\tgarde\t"), "\tgarde\t");
    EXPECT_TRUE(trimView("    ").empty());
    EXPECT_TRUE(trimView("").empty());
    EXPECT_EQ(trim(padded), "deux  mots");

    EXPECT_TRUE(isAscii(""));
    EXPECT_TRUE(isAscii("SETUP.EXE\x7f"));
    EXPECT_FALSE(isAscii("setup\x80"));
    EXPECT_FALSE(isAscii("été"));

    std::string upper, lower;
    for (char c : std::string_view("@AZ[`az{\xe9")) {
        upper += upperAscii(c);
        lower += lowerAscii(c);
    }
    EXPECT_EQ(upper, "@AZ[`AZ{\xe9");
    EXPECT_EQ(lower, "@az[`az{\xe9");
}
