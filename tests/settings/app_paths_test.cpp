#include "settings/app_paths.h"
#include "settings/win_ini.h"
#include "settings/startup.h"

#include "settings/ini_store.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace quarex;
using quarex::test::TempDir;

namespace {

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(AppPaths, SettingsBesideTheProgramOrInTheConfigurationDirectory)
{
    TempDir tmp;
    std::string program = tmp.mkdir("prog");
    EXPECT_EQ(settingsPathFor(program), program + "/Quarex.ini");

    // A directory that cannot be written (here: one that does not exist) sends the file to the user's folder.
    std::string missing = tmp.str() + "/usr/bin";
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", (tmp.str() + "/xdg").c_str());
        EXPECT_EQ(settingsPathFor(missing), tmp.str() + "/xdg/Quarex/Quarex.ini");
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", tmp.str().c_str());
        EXPECT_EQ(settingsPathFor(missing), tmp.str() + "/.config/Quarex/Quarex.ini");
        // A relative XDG_CONFIG_HOME is not valid and is ignored.
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/dir");
        EXPECT_EQ(settingsPathFor(missing), tmp.str() + "/.config/Quarex/Quarex.ini");
    }
    EXPECT_TRUE(isWritableDirectory(program));
    EXPECT_FALSE(isWritableDirectory(missing));
    EXPECT_FALSE(isWritableDirectory(tmp.write("file", "x")));
}

TEST(AppPaths, HelpFileIsLookedForBesideTheProgram)
{
    TempDir tmp;
    std::string program = tmp.mkdir("prog");
    std::string recorded = tmp.write("elsewhere/Aide.hlp", "h");
    EXPECT_EQ(locateHelpFile(recorded, program), recorded);
    std::string nested = tmp.write("prog/doc/Quarex.hlp", "h");
    EXPECT_EQ(locateHelpFile("doc\\Quarex.hlp", program), nested);
    std::string bare = tmp.write("prog/Manuel.hlp", "h");
    EXPECT_EQ(locateHelpFile("C:\\Quarex\\Manuel.hlp", program), bare);
    EXPECT_EQ(locateHelpFile("C:\\Quarex\\Absent.hlp", program), "Absent.hlp");
}

TEST(AppPaths, WindowsDirectoryComesFromTheWinePrefix)
{
    TempDir tmp;
    {
        ScopedEnv prefix("WINEPREFIX", (tmp.str() + "/noprefix").c_str());
        EXPECT_EQ(windowsDirectory(), "");
        // Without a Windows directory WIN.INI gives its default and no program is associated.
        EXPECT_EQ(GetWinIni("Extensions", "txt"), "");
        EXPECT_EQ(sGetExtensionProgram("txt"), "");
    }
    std::string windows = tmp.mkdir("wine/drive_c/windows");
    tmp.write("wine/drive_c/windows/win.ini",
        "[windows]\r\nload=\r\n[Extensions]\r\ntxt=notepad.exe ^.txt\r\nwri=write.exe ^.wri\r\nodd=plain.exe\r\n");
    {
        ScopedEnv prefix("WINEPREFIX", (tmp.str() + "/wine").c_str());
        EXPECT_EQ(windowsDirectory(), windows);
        EXPECT_EQ(GetWinIni("extensions", "TXT"), "notepad.exe ^.txt");
        EXPECT_EQ(sGetExtensionProgram(" txt "), "notepad.exe");
        EXPECT_EQ(sGetExtensionProgram("odd"), "plain.exe");
        EXPECT_EQ(sGetExtensionProgram("doc"), "");
        EXPECT_EQ(sGetExtensionProgram("  "), "");
    }
    {
        ScopedEnv prefix("WINEPREFIX", nullptr);
        ScopedEnv home("HOME", tmp.str().c_str());
        std::filesystem::rename(tmp.str() + "/wine", tmp.str() + "/.wine");
        EXPECT_EQ(windowsDirectory(), tmp.str() + "/.wine/drive_c/windows");
    }
    {
        // A copied Windows tree may spell the file in any case.
        ScopedEnv prefix("WINEPREFIX", (tmp.str() + "/.wine").c_str());
        std::string folder = tmp.str() + "/.wine/drive_c/windows/";
        std::filesystem::rename(folder + "win.ini", folder + "Win.Ini");
        EXPECT_EQ(GetWinIni("extensions", "wri"), "write.exe ^.wri");
    }
}

TEST(AppPaths, StartUpFixesSettingsScratchAndHelpFiles)
{
    TempDir tmp;
    std::string program = tmp.mkdir("prog") + "/quarex";
    tmp.write("prog/Quarex.hlp", "h");
    std::string cwd = std::filesystem::current_path().string();
    // Scratch files are looked for once per run; keep them out of the folder removed below.
    ScopedEnv tmpDir("TMP", "/tmp");
    initialiseLibrary({ program, "Quarex.hlp", false });
    EXPECT_EQ(programDirectory(), tmp.str() + "/prog");
    EXPECT_EQ(settingsFilePath(), tmp.str() + "/prog/Quarex.ini");
    EXPECT_EQ(helpFilePath(), tmp.str() + "/prog/Quarex.hlp");
    EXPECT_EQ(std::filesystem::current_path().string(), cwd);
    ASSERT_FALSE(scratchFilePath().empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(scratchFilePath()));
    // Later scratch names never take the start-up one.
    EXPECT_NE(TempFileName("Qrex"), scratchFilePath());

    IniFile settings(settingsFilePath());
    EXPECT_TRUE(settings.getBool("Options", "affiche_aide", true));
    EXPECT_TRUE(settings.setBool("Options", "affiche_aide", false));
    EXPECT_FALSE(settings.getBool("Options", "affiche_aide", true));
    EXPECT_TRUE(settings.set("html", "titre", "Mon CD"));
    EXPECT_EQ(settings.get("html", "titre"), "Mon CD");
    EXPECT_TRUE(settings.remove("html", "titre"));
    EXPECT_EQ(settings.get("html", "titre", "aucun"), "aucun");

    removeScratchFile();
    EXPECT_FALSE(std::filesystem::exists(scratchFilePath()));
}
