// `quarex-scan info FILE...`: one JSON object per line and per file, in argument order.
#include "exe/file_info.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>

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
    // A file that could not be read makes the whole command fail, after every line was written.
    ASSERT_EQ(run.status, 1);
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

    // A file that cannot be read still has its line, every item empty, and says why.
    const auto& absent = run.lines[1];
    for (const char* key : quarex::zFileInfo::itemNames())
        EXPECT_EQ(absent[key], "") << key;
    EXPECT_EQ(absent["kind"], "");
    EXPECT_EQ(absent["icon"], false);
    EXPECT_EQ(absent["error"], "fichier introuvable");
    for (std::size_t i : { 0, 2, 3 })
        EXPECT_FALSE(run.lines[i].contains("error")) << files[i];

    EXPECT_EQ(run.lines[2]["FileDescription"], "Wine mouse driver");
    EXPECT_EQ(run.lines[2]["kind"], "Bibliothèque Windows 16 bits (NE)");
    EXPECT_EQ(run.lines[2]["icon"], false);
    EXPECT_EQ(run.lines[3]["FileDescription"], "");
    EXPECT_EQ(run.lines[3]["icon"], true);
    // A directory is no file: no size, an error.
    EXPECT_EQ(run.lines[4]["kind"], "");
    EXPECT_EQ(run.lines[4]["Size"], "");
    EXPECT_TRUE(run.lines[4]["error"].is_string());
}

TEST(InfoCommand, StatusSaysWhetherEveryFileWasRead)
{
    const std::string data = std::string(QUAREX_TEST_DATA) + "/exe/";
    InfoRun good = runInfo({ data + "fr32.exe", data + "mouse.drv" });
    EXPECT_EQ(good.status, 0);
    ASSERT_EQ(good.lines.size(), 2u);

    // A pipe or a device is neither read nor measured.
    quarex::test::TempDir tmp;
    std::string fifo = tmp.str() + "/pipe.exe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    InfoRun odd = runInfo({ fifo, "/dev/null", data + "fr32.exe" });
    EXPECT_EQ(odd.status, 1);
    ASSERT_EQ(odd.lines.size(), 3u);
    EXPECT_EQ(odd.lines[0]["error"], "pas un fichier ordinaire");
    EXPECT_EQ(odd.lines[1]["error"], "pas un fichier ordinaire");
    EXPECT_EQ(odd.lines[1]["Size"], "");
    EXPECT_FALSE(odd.lines[2].contains("error"));
    EXPECT_EQ(odd.lines[2]["Size"], "33 792");
}

TEST(InfoCommand, WithoutFilesIsAnArgumentError) { EXPECT_EQ(runInfo({}).status, 2); }
