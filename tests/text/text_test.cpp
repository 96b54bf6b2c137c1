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
