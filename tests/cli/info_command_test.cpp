// `quarex-scan info FILE...`: one JSON object per line and per file, in argument order.
#include "exe/file_info.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

namespace {

struct InfoRun {
    int status;
    std::vector<nlohmann::json> lines;
};

InfoRun runInfo(const std::vector<std::string>& files)
{
    std::string command = std::string(QUAREX_SCAN_BINARY) + " info";
    for (const std::string& f : files)
        command += " '" + f + "'";
    quarex::test::CommandRun result = quarex::test::runCommand(command + " 2>/dev/null");
    InfoRun run { result.status, {} };
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(nlohmann::json::parse(line));
    return run;
}

} // namespace

TEST(InfoCommand, OneLinePerFileInArgumentOrderWithEveryItem)
{
    const std::string data = std::string(QUAREX_TEST_DATA) + "/exe/";
    quarex::test::TempDir tmp;
    std::vector<std::string> files
        = { data + "fr32.exe", tmp.str() + "/absent.exe", data + "mouse.drv", data + "claims.exe", tmp.str() };
    InfoRun run = runInfo(files);
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(run.lines[i]["path"], files[i]);
        for (const char* key : quarex::zFileInfo::itemNames())
            EXPECT_TRUE(run.lines[i].contains(key)) << key;
        EXPECT_TRUE(run.lines[i]["kind"].is_string());
        EXPECT_TRUE(run.lines[i]["icon"].is_boolean());
    }

    const auto& fr = run.lines[0];
    EXPECT_EQ(fr["CompanyName"], "Éditions Àlacarte & Cie");
    EXPECT_EQ(fr["ProductVersion"], "3.1   "); // untrimmed
    EXPECT_EQ(fr["Size"], "33 792");
    EXPECT_EQ(fr["SizeKo"], "33");
    EXPECT_EQ(fr["kind"], "Exécutable Win32 (PE, i386, graphique)");
    EXPECT_EQ(fr["icon"], true);

    // A file that cannot be read still has its line, every item empty.
    const auto& absent = run.lines[1];
    for (const char* key : quarex::zFileInfo::itemNames())
        EXPECT_EQ(absent[key], "") << key;
    EXPECT_EQ(absent["kind"], "");
    EXPECT_EQ(absent["icon"], false);

    EXPECT_EQ(run.lines[2]["FileDescription"], "Wine mouse driver");
    EXPECT_EQ(run.lines[2]["kind"], "Bibliothèque Windows 16 bits (NE)");
    EXPECT_EQ(run.lines[2]["icon"], false);
    EXPECT_EQ(run.lines[3]["FileDescription"], "");
    EXPECT_EQ(run.lines[3]["icon"], true);
    EXPECT_EQ(run.lines[4]["kind"], ""); // a directory
}

TEST(InfoCommand, WithoutFilesIsAnArgumentError) { EXPECT_EQ(runInfo({}).status, 2); }
