#include "exe/program_type.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

using namespace quarex;

TEST(ProgramType, KeywordsOfThePathInTheirOrder)
{
    EXPECT_EQ(sGetTypeProgramme("D:/WIN95/SETUP.EXE"), "Programme Windows 95");
    EXPECT_EQ(sGetTypeProgramme("D:/W32S/INSTALL.EXE"), "Programme Windows 32s");
    EXPECT_EQ(sGetTypeProgramme("D:/DISK1/SETUP.EXE"), "");
    EXPECT_EQ(sGetTypeProgramme("D:/WIN95/DOS/INSTALL.EXE"), "Programme MS-DOS");
    EXPECT_EQ(sGetTypeProgramme("D:/CONTENTS/VIEWER.EXE"), "Programme Windows NT");
    EXPECT_EQ(sGetTypeProgramme("/media/cdrom/win95/setup.exe"), "Programme Windows 95");
    EXPECT_EQ(sGetTypeProgramme("/media/cdrom/os2/dos/install.exe"), "Programme OS2");
    EXPECT_EQ(sGetTypeProgramme("/cd/win31/setup.exe"), "Programme Windows 3.1x");
    EXPECT_EQ(sGetTypeProgramme("/cd/win32s/setup.exe"), "Programme Windows 32s");
    EXPECT_EQ(sGetTypeProgramme("/cd/16bits/setup.exe"), "Programme Windows 3.1x");
    EXPECT_EQ(sGetTypeProgramme("/cd/32bits/setup.exe"), "Programme Windows 95");
    EXPECT_EQ(sGetTypeProgramme("/cd/winnt/setup.exe"), "Programme Windows NT");
    EXPECT_EQ(sGetTypeProgramme(""), "");
}

TEST(ProgramType, QuarexScanInfoGivesTheType)
{
    quarex::test::TempDir tmp;
    tmp.write("WIN95/SETUP.EXE", "MZ");
    // A relative path, so that the letters of the temporary folder's name play no part.
    std::string command = "cd '" + tmp.str() + "' && " + QUAREX_SCAN_BINARY + " info WIN95/SETUP.EXE";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0);
    auto json = nlohmann::json::parse(out);
    EXPECT_EQ(json["type"], "Programme Windows 95");
    EXPECT_EQ(json["path"], "WIN95/SETUP.EXE");
}
