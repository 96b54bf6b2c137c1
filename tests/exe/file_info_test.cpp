#include "exe/file_info.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quarex;

namespace {
// A single-byte string entry as the search expects it: lengths, key + NUL padded to 4, value + NUL.
std::string entry(const std::string& key, const std::string& value)
{
    std::string e(4, '\x01');
    e += key;
    e.push_back('\0');
    while (e.size() % 4)
        e.push_back('\0');
    e += value;
    e.push_back('\0');
    while (e.size() % 4)
        e.push_back('\0');
    return e;
}
} // namespace

TEST(FileInfo, SizeAndThousandsAreTruncatedNotRounded)
{
    quarex::test::TempDir tmp;
    zFileInfo info;
    info.PutFileName(tmp.write("a.bin", std::string(999, 'x')));
    EXPECT_EQ(info.sSize(), "999");
    EXPECT_EQ(info.sSizeKo(), "");
    info.PutFileName(tmp.write("b.bin", std::string(1000, 'x')));
    EXPECT_EQ(info.sSize(), "1 000");
    EXPECT_EQ(info.sSizeKo(), "1");
    info.PutFileName(tmp.write("c.bin", std::string(1999, 'x')));
    EXPECT_EQ(info.sSizeKo(), "1");
    EXPECT_EQ(info.sDate().size(), 10u);
    EXPECT_EQ(info.sTime().size(), 8u);
    EXPECT_EQ(info.sDate()[2], '/');
    info.PutFileName("   ");
    EXPECT_EQ(info.sSize(), "");
    info.PutFileName(tmp.str() + "/missing.exe");
    EXPECT_EQ(info.sDate(), "");
}

TEST(FileInfo, KeySearchTakesTheFirstOccurrenceWithItsOffset)
{
    std::string block = entry("CompanyName", "Éditions Dupont") + entry("FileDescription", "Jeu de cartes")
        + entry("OriginalFilename", "CARTES.EXE");
    zFileInfo info;
    info.PutVersionBlock(block);
    EXPECT_EQ(info.sCompanyName(), "Éditions Dupont");
    EXPECT_EQ(info.sFileDescription(), "Jeu de cartes");
    EXPECT_EQ(info.sOriginalFilename(), "CARTES.EXE");
    EXPECT_EQ(info.sFileVersion(), "");

    // A key inside an earlier value wins: the value is read from that first occurrence.
    std::string tricky = entry("Comments", "see FileVersion notes") + entry("FileVersion", "1.0");
    info.PutVersionBlock(tricky);
    std::size_t p = tricky.find("FileVersion");
    std::string expected = tricky.substr(p + 12, tricky.find('\0', p + 12) - (p + 12));
    EXPECT_EQ(info.sFileVersion(), expected);
    EXPECT_NE(info.sFileVersion(), "1.0");

    // A value without NUL runs to the end of the block; a key at the very end gives nothing.
    std::string open = std::string(4, '\x01') + "ProductName" + std::string(1, '\0') + "Sans fin";
    EXPECT_EQ(zFileInfo::sValueOfKey(open, "ProductName"), "Sans fin");
    EXPECT_EQ(zFileInfo::sValueOfKey("xxProductName", "ProductName"), "");
    // Windows-1252 values become UTF-8.
    info.PutVersionBlock(entry("ProductName", "Soci\xe9t\xe9"), true);
    EXPECT_EQ(info.sProductName(), "Société");
}
