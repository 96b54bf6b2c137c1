#include "desktop/launch.h"

#include "messages/messages.h"
#include "support/fake_launch_platform.h"
#include "support/recording_dialogue.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace quarex;
using quarex::test::TempDir;

namespace {

using FakePlatform = quarex::test::FakeLaunchPlatform;

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLaunchPlatform(&platform);
        messages.answer = AnswerNo;
        const char* prefix = std::getenv("WINEPREFIX");
        m_savedPrefix = prefix ? std::optional<std::string>(prefix) : std::nullopt;
        // No WIN.INI unless a test makes one.
        ::setenv("WINEPREFIX", (tmp.path() / "no-prefix").c_str(), 1);
    }
    void TearDown() override
    {
        setLaunchPlatform(nullptr);
        if (m_savedPrefix)
            ::setenv("WINEPREFIX", m_savedPrefix->c_str(), 1);
        else
            ::unsetenv("WINEPREFIX");
    }

    TempDir tmp;
    FakePlatform platform;
    quarex::test::RecordingDialogue messages;

private:
    std::optional<std::string> m_savedPrefix;
};

} // namespace

TEST_F(LaunchTest, CommandLinesKeepPathsWithBlanksWhole)
{
    std::string prog = tmp.write("My Tools/run it.sh", "#!/bin/sh\n");
    std::string dir = tmp.str();

    CommandLine quoted = splitCommandLine("\"" + prog + "\" -x \"a b\"", platform);
    EXPECT_EQ(quoted.program, prog);
    EXPECT_EQ(quoted.arguments, (std::vector<std::string> { "-x", "a b" }));

    CommandLine whole = splitCommandLine("  " + prog + "  ", platform);
    EXPECT_EQ(whole.program, prog);
    EXPECT_TRUE(whole.arguments.empty());

    // Unquoted with arguments: the shortest run of words that names a file is the program.
    CommandLine unquoted = splitCommandLine(prog + " \"" + dir + "/doc 1.txt\" /q", platform);
    EXPECT_EQ(unquoted.program, prog);
    EXPECT_EQ(unquoted.arguments, (std::vector<std::string> { dir + "/doc 1.txt", "/q" }));

    // Nothing names a file: the first word, and Windows paths keep their backslashes.
    CommandLine windows = splitCommandLine("C:\\WINDOWS\\NOTEPAD.EXE C:\\A\\B.TXT", platform);
    EXPECT_EQ(windows.program, "C:\\WINDOWS\\NOTEPAD.EXE");
    EXPECT_EQ(windows.arguments, (std::vector<std::string> { "C:\\A\\B.TXT" }));

    EXPECT_TRUE(splitCommandLine("   ", platform).program.empty());

    CommandLine round { "/a b/c", { "x", "y z", "" } };
    EXPECT_EQ(joinCommandLine(round), "\"/a b/c\" x \"y z\" \"\"");
    CommandLine back = splitCommandLine(joinCommandLine(round), platform);
    EXPECT_EQ(back.program, round.program);
    EXPECT_EQ(back.arguments, round.arguments);
}

TEST_F(LaunchTest, PathHelpers)
{
    EXPECT_TRUE(isWindowsProgramName("/cd/DISK1/SETUP.EXE"));
    EXPECT_TRUE(isWindowsProgramName("game.com"));
    EXPECT_TRUE(isWindowsProgramName("C:\\DOS\\RUN.Bat"));
    EXPECT_FALSE(isWindowsProgramName("/cd/readme.txt"));
    EXPECT_FALSE(isWindowsProgramName("/cd/exe.dir/tool"));
    EXPECT_FALSE(isWindowsProgramName("/cd/archive.zip"));
    EXPECT_EQ(windowsPathOf("/home/u/Mes documents/a.txt"), "Z:\\home\\u\\Mes documents\\a.txt");
    EXPECT_EQ(directoryPart("/cd/DISK1/SETUP.EXE"), "/cd/DISK1");
    EXPECT_EQ(directoryPart("/SETUP.EXE"), "/");
    EXPECT_EQ(directoryPart("C:\\WINDOWS\\NOTEPAD.EXE"), "C:\\WINDOWS");
    EXPECT_EQ(directoryPart("notepad.exe"), "");
}

TEST_F(LaunchTest, EmptyCommandNamesTheRoutineAndStartsNothing)
{
    EXPECT_EQ(iExecuteShellWin("   ", 1), 0);
    EXPECT_TRUE(platform.starts.empty());
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_NE(messages.errors[0].find("Aucun nom d'exécutable n'est passé à la fonction : "), std::string::npos);
    EXPECT_NE(messages.errors[0].find("iExecuteShellWin()"), std::string::npos);
}

TEST_F(LaunchTest, ProgramStartsInItsOwnFolderAndOurFolderStays)
{
    std::string prog = tmp.write("Prog Dir/tool.sh", "#!/bin/sh\n");
    auto before = std::filesystem::current_path();
    EXPECT_EQ(iExecuteShellWin(prog, 1), 4242);
    EXPECT_EQ(std::filesystem::current_path(), before);
    ASSERT_EQ(platform.starts.size(), 1u);
    EXPECT_EQ(platform.starts[0].program, prog);
    EXPECT_TRUE(platform.starts[0].arguments.empty());
    EXPECT_EQ(platform.starts[0].workingDirectory, tmp.str() + "/Prog Dir");
    EXPECT_TRUE(messages.errors.empty());
}

TEST_F(LaunchTest, WindowsProgramsGoThroughTheRunner)
{
    std::string exe = tmp.write("CD/DISK1/SETUP.EXE", "MZ");
    std::string doc = tmp.write("CD/Lisez moi.txt", "x");
    platform.runner = { "/usr/bin/wine", "start", "/unix", "%f" };

    EXPECT_NE(iExecuteShellWin(exe + " /S \"" + doc + "\"", 1), 0);
    ASSERT_EQ(platform.starts.size(), 1u);
    EXPECT_EQ(platform.starts[0].program, "/usr/bin/wine");
    // The program in its own form for the runner, an existing file argument in Windows form, others untouched.
    EXPECT_EQ(
        platform.starts[0].arguments, (std::vector<std::string> { "start", "/unix", exe, "/S", windowsPathOf(doc) }));
    EXPECT_EQ(platform.starts[0].workingDirectory, tmp.str() + "/CD/DISK1");

    // Without a runner the user is told there is no association instead of a silent failure.
    platform.runner.clear();
    EXPECT_EQ(iExecuteShellWin(exe, 1), 0);
    EXPECT_EQ(platform.starts.size(), 1u);
    ASSERT_EQ(messages.infos.size(), 1u);
    ASSERT_NE(messages.last("information"), nullptr);
    EXPECT_EQ(messages.last("information")->title, "Ouverture impossible");
    EXPECT_EQ(
        messages.infos[0], "L'extension du fichier ne possède pas d'association vers un exécutable.\r\n\r\n" + exe);
}

TEST_F(LaunchTest, StartFailureIsReportedWithTheCommand)
{
    platform.startFails = true;
    std::string prog = tmp.write("bin/tool.sh", "#!/bin/sh\n");
    EXPECT_EQ(iExecuteShellWin(prog + " -v", 1), 0);
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_EQ(messages.errors[0].rfind("Erreur exécution Windows : " + prog + " -v", 0), 0u);
    EXPECT_NE(messages.errors[0].find("refusé par le système"), std::string::npos);

    messages.errors.clear();
    EXPECT_EQ(iExecuteShellWin(tmp.str() + "/absent/tool", 1), 0);
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_NE(messages.errors[0].find("Error #53"), std::string::npos);
}

TEST_F(LaunchTest, DocumentWithBlanksReachesItsProgramAsOneArgument)
{
    std::string viewer = tmp.write("apps/my viewer", "#!/bin/sh\n");
    std::string doc = tmp.write("CD/Mon Produit/LISEZ MOI.WRI", "w");
    platform.associations[doc] = viewer;

    EXPECT_EQ(sGetExecutableAssocie(doc), viewer);
    EXPECT_TRUE(LanceDocument(doc, true));
    ASSERT_EQ(platform.starts.size(), 1u);
    EXPECT_EQ(platform.starts[0].program, viewer);
    EXPECT_EQ(platform.starts[0].arguments, (std::vector<std::string> { doc }));

    // An association that is a command with its own arguments keeps them, the document last.
    platform.associations[doc] = "\"" + viewer + "\" --lecture";
    EXPECT_TRUE(LanceDocument(doc, true));
    ASSERT_EQ(platform.starts.size(), 2u);
    EXPECT_EQ(platform.starts[1].program, viewer);
    EXPECT_EQ(platform.starts[1].arguments, (std::vector<std::string> { "--lecture", doc }));
    EXPECT_TRUE(messages.errors.empty());
}

TEST_F(LaunchTest, ProgramThatIsItsOwnAssociationRunsDirectly)
{
    std::string exe = tmp.write("CD/Jeu Complet/JEU.EXE", "MZ");
    platform.runner = { "/opt/runner", "%f" };
    EXPECT_EQ(sGetExecutableAssocie(exe), exe);
    EXPECT_TRUE(LanceDocument(exe, true));
    ASSERT_EQ(platform.starts.size(), 1u);
    EXPECT_EQ(platform.starts[0].program, "/opt/runner");
    EXPECT_EQ(platform.starts[0].arguments, (std::vector<std::string> { exe }));

    // Nothing runs Windows programs: no association, and the box says so.
    platform.runner.clear();
    EXPECT_EQ(sGetExecutableAssocie(exe), "");
    EXPECT_FALSE(LanceDocument(exe, true));
    ASSERT_EQ(messages.infos.size(), 1u);
    EXPECT_NE(messages.infos[0].find(exe), std::string::npos);
}

TEST_F(LaunchTest, NoAssociationMessageOnlyWhenAsked)
{
    std::string doc = tmp.write("CD/image.xyz", "?");
    EXPECT_EQ(sGetExecutableAssocie(doc), "");
    EXPECT_FALSE(LanceDocument(doc, false));
    EXPECT_TRUE(messages.infos.empty());
    EXPECT_FALSE(LanceDocument(doc, true));
    ASSERT_EQ(messages.infos.size(), 1u);
    EXPECT_EQ(messages.infos[0], sMessageSansAssociation(doc));
    EXPECT_TRUE(platform.starts.empty());
    // A file that is not there has no associated program.
    platform.associations[tmp.str() + "/CD/gone.txt"] = "/bin/true";
    EXPECT_EQ(sGetExecutableAssocie(tmp.str() + "/CD/gone.txt"), "");
}

TEST_F(LaunchTest, WinIniExtensionsAreTheLastResort)
{
    std::string prefix = tmp.mkdir("prefix");
    tmp.write("prefix/drive_c/windows/win.ini", "[Extensions]\r\nwri=write.exe ^.wri\r\nzip=\r\n");
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    std::string doc = tmp.write("CD/GUIDE.WRI", "w");
    std::string zip = tmp.write("CD/A.ZIP", "PK");

    // A Windows program named by WIN.INI counts only when something runs Windows programs.
    EXPECT_EQ(sGetExecutableAssocie(doc), "");
    platform.runner = { "/opt/wine", "%f" };
    EXPECT_EQ(sGetExecutableAssocie(doc), "write.exe");
    EXPECT_EQ(sGetExecutableAssocie(zip), "");

    EXPECT_TRUE(LanceDocument(doc, true));
    ASSERT_EQ(platform.starts.size(), 1u);
    EXPECT_EQ(platform.starts[0].program, "/opt/wine");
    EXPECT_EQ(platform.starts[0].arguments, (std::vector<std::string> { "write.exe", windowsPathOf(doc) }));

    // The desktop's association comes first.
    platform.associations[doc] = "/bin/true";
    EXPECT_EQ(sGetExecutableAssocie(doc), "/bin/true");
}

TEST_F(LaunchTest, ShellResultsBecomeFrenchMessages)
{
    EXPECT_EQ(sShellErrorMessage(2), "Fichier introuvable");
    EXPECT_EQ(sShellErrorMessage(3), "Path introuvable");
    EXPECT_EQ(sShellErrorMessage(5), "Accès refusé");
    EXPECT_EQ(sShellErrorMessage(8), "Mémoire insuffisante");
    EXPECT_EQ(sShellErrorMessage(11), "Fichier EXE invalide");
    EXPECT_EQ(sShellErrorMessage(26), "Violation de partage");
    EXPECT_EQ(sShellErrorMessage(27), "Association de fichier incomplète ou invalide");
    EXPECT_EQ(sShellErrorMessage(28), "Liaison DDE : Temps dépassé");
    EXPECT_EQ(sShellErrorMessage(29), "Transaction DDE impossible");
    EXPECT_EQ(sShellErrorMessage(30), "Liaison DDE occupée");
    EXPECT_EQ(sShellErrorMessage(31), "Pas d'association pour cette extension de fichier");
    EXPECT_EQ(sShellErrorMessage(32), "DLL introuvable");
    for (int unknown : { 0, 1, 4, 12, 25, -3 })
        EXPECT_EQ(sShellErrorMessage(unknown), "Erreur inconnue") << unknown;
}

TEST_F(LaunchTest, OpenDocumentReportsShellFailures)
{
    std::string doc = tmp.write("CD/TOOLS.ZIP", "PK");
    EXPECT_EQ(OuvreDocument(doc), 42);
    EXPECT_EQ(platform.opened, (std::vector<std::string> { doc }));
    EXPECT_TRUE(messages.errors.empty());

    for (int result : { 0, 1 }) {
        messages.errors.clear();
        platform.openResult = result;
        EXPECT_EQ(OuvreDocument(doc), result);
        ASSERT_EQ(messages.errors.size(), 1u);
        EXPECT_EQ(messages.errors[0], "Lancement document : " + doc + "\r\nErreur inconnue");
    }

    // What cannot be opened at all never reaches the opener.
    platform.opened.clear();
    messages.errors.clear();
    EXPECT_EQ(OuvreDocument(tmp.str() + "/CD/ABSENT.ZIP"), 2);
    EXPECT_EQ(OuvreDocument(tmp.str() + "/NOFOLDER/X.ZIP"), 3);
    EXPECT_TRUE(platform.opened.empty());
    ASSERT_EQ(messages.errors.size(), 2u);
    EXPECT_NE(messages.errors[0].find("Fichier introuvable"), std::string::npos);
    EXPECT_NE(messages.errors[1].find("Path introuvable"), std::string::npos);

    if (::geteuid() != 0) {
        std::filesystem::permissions(doc, std::filesystem::perms::none);
        EXPECT_EQ(documentAccessFailure(doc), 5);
    }
}

TEST_F(LaunchTest, HelpFilesOpenWithTheirViewerOrSayWhyNot)
{
    std::string hlp = tmp.write("CD/AIDE.HLP", "?_");
    EXPECT_FALSE(AfficheFichierAide(tmp.str() + "/CD/ABSENT.HLP"));
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_EQ(messages.errors[0].rfind("Affichage de l'aide impossible, le fichier d'aide : ", 0), 0u);

    EXPECT_FALSE(AfficheFichierAide(hlp));
    ASSERT_EQ(messages.errors.size(), 2u);
    EXPECT_EQ(messages.errors[1].rfind("Impossible de lancer la visualisation du fichier d'aide : " + hlp, 0), 0u);
    EXPECT_TRUE(platform.starts.empty());

    std::string viewer = tmp.write("apps/hlpview", "#!/bin/sh\n");
    platform.associations[hlp] = viewer;
    EXPECT_TRUE(AfficheFichierAide(hlp));
    ASSERT_EQ(platform.starts.size(), 1u);
    EXPECT_EQ(platform.starts[0].arguments, (std::vector<std::string> { hlp }));

    platform.startFails = true;
    EXPECT_FALSE(AfficheFichierAide(hlp));
    EXPECT_EQ(messages.errors.back().rfind("Impossible de lancer la visualisation du fichier d'aide : ", 0), 0u);
}
