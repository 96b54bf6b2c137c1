#include "html/lib_rgb.h"

#include <gtest/gtest.h>

using namespace quarex;

TEST(Rgb, HexDigitsAndTheirValues)
{
    EXPECT_TRUE(IsHexDigit("a"));
    EXPECT_TRUE(IsHexDigit("F0"));
    EXPECT_TRUE(IsHexDigit("9"));
    EXPECT_FALSE(IsHexDigit("G"));
    EXPECT_FALSE(IsHexDigit(""));
    EXPECT_FALSE(IsHexDigit("#"));
    EXPECT_EQ(HexaToDecimal("0"), 0);
    EXPECT_EQ(HexaToDecimal("9"), 9);
    EXPECT_EQ(HexaToDecimal("A"), 10);
    EXPECT_EQ(HexaToDecimal("f"), 15);
}

TEST(Rgb, Hexa2RgbReadsShortTextsAsLeftPadded)
{
    int r = -1, g = -1, b = -1;
    EXPECT_EQ(Hexa2RGB("ff", r, g, b), 255L * 65536);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 255);
    EXPECT_EQ(Hexa2RGB("FF8000", r, g, b), 255L + 256L * 128);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 128);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(Hexa2RGB("ffffff", r, g, b), 0xFFFFFFL);
}

TEST(Rgb, TextsThatAreNoColourLeaveTheComponentsAlone)
{
    int r = 1, g = 2, b = 3;
    for (const char* bad : { "", "0", "1234567", "12G456", "#FF8000", " FF" }) {
        EXPECT_EQ(Hexa2RGB(bad, r, g, b), 0) << bad;
        EXPECT_EQ(r, 1);
        EXPECT_EQ(g, 2);
        EXPECT_EQ(b, 3);
    }
}

TEST(Rgb, ColourTextRoundTrip)
{
    EXPECT_EQ(sRGB2Hexa(255, 128, 0), "FF8000");
    EXPECT_EQ(sRGB2Hexa(0, 0, 0), "000000");
    EXPECT_EQ(sRGB2Hexa(300, -4, 10), "FF000A");
    int r = 0, g = 0, b = 0;
    Hexa2RGB(sRGB2Hexa(18, 52, 86), r, g, b);
    EXPECT_EQ(r, 18);
    EXPECT_EQ(g, 52);
    EXPECT_EQ(b, 86);
}
