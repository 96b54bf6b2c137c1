#include "settings/ini_store.h"
#include "settings/write_target.h"
#include "settings/scratch_files.h"

#include "messages/messages.h"
#include "support/recording_dialogue.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <chrono>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace quarex;
using quarex::test::readFile;
using quarex::test::TempDir;

namespace {

// Keeps the error reports instead of printing them.
using CapturedErrors = quarex::test::RecordingDialogue;

// A file of at least `size` bytes: the given head, then filler sections, then the given tail.
std::string largeIni(const std::string& head, const std::string& tail, std::size_t size = kLargeIniSize + 100)
{
    std::string text = head;
    int n = 0;
    while (text.size() + tail.size() < size) {
        text += "[Filler" + std::to_string(n) + "]\r\nk" + std::to_string(n) + "=" + std::string(200, 'x') + "\r\n";
        ++n;
    }
    return text + tail;
}

std::size_t filesIn(const std::string& dir)
{
    std::size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

} // namespace

TEST(IniRead, MissingFileGivesDefaultsAndTheFirstWriteCreatesIt)
{
    TempDir tmp;
    std::string file = tmp.str() + "/Quarex.ini";
    EXPECT_EQ(GetIniString("Options", "affiche_aide", "-1", file), "-1");
    EXPECT_TRUE(GetIniBoolean("Options", "affiche_aide", true, file));
    EXPECT_FALSE(GetIniBoolean("Options", "affiche_aide", false, file));
    EXPECT_EQ(GetIniString("html", "titre", "", ""), "");

    // Removing a key of a file that does not exist creates nothing.
    EXPECT_TRUE(PutIniString("html", "fond", std::nullopt, file));
    EXPECT_FALSE(std::filesystem::exists(file));

    EXPECT_TRUE(PutIniString("Options", "affiche_aide", "0", file));
    EXPECT_EQ(readFile(file), "[Options]\r\naffiche_aide=0\r\n");
    EXPECT_TRUE(PutIniString("html", "titre", "Mon CD", file));
    EXPECT_EQ(readFile(file), "[Options]\r\naffiche_aide=0\r\n\r\n[html]\r\ntitre=Mon CD\r\n");
    EXPECT_EQ(GetIniString("html", "titre", "", file), "Mon CD");
}

TEST(IniRead, ClassicRulesIgnoreCaseTrimAndCutAt255)
{
    TempDir tmp;
    std::string longValue(300, 'a');
    longValue[254] = 'b';
    std::string file = tmp.write("s.ini",
        "; comment\r\n[Setup]\r\n  Title =  Mon logiciel  \r\nEmpty=\r\nLong=" + longValue
            + "\r\n[Params]\r\nWndTitle=Fenetre\r\n[setup]\r\nOther=second section of that name\r\n");
    EXPECT_EQ(GetIniString("SETUP", "title", "d", file), "Mon logiciel");
    EXPECT_EQ(GetIniString(" Setup ", " Title ", "d", file), "Mon logiciel");
    EXPECT_EQ(GetIniString("Setup", "Empty", "d", file), "d");
    EXPECT_EQ(GetIniString("Setup", "Long", "", file), longValue.substr(0, 255));
    EXPECT_EQ(GetIniString("Setup", "Long", "", file).back(), 'b');
    // A key of a later section is not found, nor one of a second section of the same name.
    EXPECT_EQ(GetIniString("Setup", "WndTitle", "none", file), "none");
    EXPECT_EQ(GetIniString("Setup", "Other", "none", file), "none");
    EXPECT_EQ(GetIniString("Params", "WndTitle", "", file), "Fenetre");
    EXPECT_EQ(GetIniString("Nowhere", "Title", "x", file), "x");
}

TEST(IniRead, LargeFileRulesMatchExactlyAndKeepTheValueWhole)
{
    TempDir tmp;
    std::string longValue = "  " + std::string(400, 'v') + "  ";
    std::string file = tmp.write("big.ini",
        largeIni("[Setup]\r\nTitle=" + longValue + "\r\ntitle=lower\r\n\r\nAfterBlank=1\r\n[Params]\r\nWndTitle=W\r\n",
            "[Last]\r\nKey = spaced\r\n"));
    ASSERT_GE(std::filesystem::file_size(file), kLargeIniSize);
    EXPECT_EQ(GetIniString("Setup", "Title", "", file), longValue);
    EXPECT_EQ(GetIniString("Setup", "title", "", file), "lower");
    EXPECT_EQ(GetIniString("setup", "Title", "none", file), "none");
    // A blank line does not end the section for a read, the next header does.
    EXPECT_EQ(GetIniString("Setup", "AfterBlank", "", file), "1");
    EXPECT_EQ(GetIniString("Setup", "WndTitle", "none", file), "none");
    EXPECT_EQ(GetIniString("Last", "Key", "", file), " spaced");

    // The same rules through a file already open; it is read from where it stands.
    std::istringstream open("[Setup]\r\nTitle=" + longValue + "\r\n[Params]\r\nWndTitle=W\r\n");
    EXPECT_EQ(GetIniString("Setup", "Title", "", open), longValue);
    std::istringstream again("[Setup]\r\nTitle=T\r\n[Params]\r\nWndTitle=W\r\n");
    EXPECT_EQ(GetIniString("Setup", "WndTitle", "none", again), "none");
}

TEST(IniWrite, ClassicWriteKeepsCommentsOrderAndUnknownLines)
{
    TempDir tmp;
    const std::string before = "; réglages\r\n[Options]\r\naffiche_aide=-1\r\nligne sans egal\r\n\r\n# note\r\n"
                               "[html]\r\ntitre=Ancien\r\nfond=#FFFFFF\r\n\r\n[Autre]\r\nx=1";
    std::string file = tmp.write("Quarex.ini", before);

    EXPECT_TRUE(PutIniString("HTML", "TITRE", "Nouveau", file));
    std::string expected = before;
    expected.replace(expected.find("titre=Ancien"), 12, "titre=Nouveau");
    EXPECT_EQ(readFile(file), expected);

    // A new key goes after the last entry of its section, before the blank line.
    EXPECT_TRUE(PutIniString("html", "entete", "Haut", file));
    expected.insert(expected.find("fond=#FFFFFF\r\n") + 14, "entete=Haut\r\n");
    EXPECT_EQ(readFile(file), expected);

    // A missing value removes the key; the last line without an ending stays as it was.
    EXPECT_TRUE(PutIniString("html", "fond", std::nullopt, file));
    expected.erase(expected.find("fond=#FFFFFF\r\n"), 14);
    EXPECT_EQ(readFile(file), expected);

    EXPECT_TRUE(PutIniString("Autre", "y", "2", file));
    EXPECT_EQ(readFile(file), expected + "\r\ny=2\r\n");
    EXPECT_EQ(GetIniString("Autre", "x", "", file), "1");

    // A value cannot smuggle in another line.
    EXPECT_TRUE(PutIniString("Autre", "z", "a\r\n[Options]\r\naffiche_aide=0", file));
    EXPECT_EQ(GetIniString("Options", "affiche_aide", "", file), "-1");
}

TEST(IniWrite, LargeWriteFollowsTheLineByLineRules)
{
    TempDir tmp;
    const std::string head = "; tête\r\n[Setup]\r\nTitle=Ancien\r\nKey =spaced\r\n\r\nAfterBlank=1\r\n";
    const std::string before = largeIni(head, "[Last]\r\nx=1\r\n");
    std::string file = tmp.write("big.ini", before);

    EXPECT_TRUE(PutIniString("Setup", "Title", "Nouveau", file));
    std::string expected = before;
    expected.replace(expected.find("Title=Ancien"), 12, "Title=Nouveau");
    EXPECT_EQ(readFile(file), expected);

    // A key written with blanks before its "=" is the same key.
    EXPECT_TRUE(PutIniString("Setup", "Key", "tight", file));
    expected.replace(expected.find("Key =spaced"), 11, "Key=tight");
    EXPECT_EQ(readFile(file), expected);
    EXPECT_EQ(GetIniString("Setup", "Key", "", file), "tight");

    // A blank line ends the section: a new key goes just before it.
    EXPECT_TRUE(PutIniString("Setup", "New", "n", file));
    expected.insert(expected.find("\r\n\r\nAfterBlank") + 2, "New=n\r\n");
    EXPECT_EQ(readFile(file), expected);

    // An absent section is appended after an empty line.
    EXPECT_TRUE(PutIniString("Absent", "k", "v", file));
    expected += "\r\n[Absent]\r\nk=v\r\n";
    EXPECT_EQ(readFile(file), expected);
    EXPECT_EQ(GetIniString("Absent", "k", "", file), "v");

    // The section running to the end of the file gets the key at the end.
    EXPECT_TRUE(PutIniString("Absent", "k2", "v2", file));
    EXPECT_EQ(readFile(file), expected + "k2=v2\r\n");
    EXPECT_TRUE(PutIniString("Absent", "k2", std::nullopt, file));
    EXPECT_EQ(readFile(file), expected);
}

TEST(IniWrite, EncodingOfTheFileIsKept)
{
    TempDir tmp;
    // Windows-1252: "é" is one byte; written values are encoded the same way, other lines untouched.
    std::string latin = tmp.write("latin.ini", "[Caf\xe9]\r\nNom=R\xe9sum\xe9\r\nOdd=\x81\x8d\r\n");
    EXPECT_EQ(GetIniString("Café", "Nom", "", latin), "Résumé");
    EXPECT_TRUE(PutIniString("Café", "Titre", "Élève", latin));
    EXPECT_EQ(readFile(latin), "[Caf\xe9]\r\nNom=R\xe9sum\xe9\r\nOdd=\x81\x8d\r\nTitre=\xc9l\xe8ve\r\n");

    // UTF-8 stays UTF-8, byte order mark included; a new file is UTF-8.
    std::string utf8 = tmp.write("utf8.ini", "\xEF\xBB\xBF[Café]\nNom=Résumé\n");
    EXPECT_EQ(GetIniString("café", "nom", "", utf8), "Résumé");
    EXPECT_TRUE(PutIniString("Café", "Titre", "Élève", utf8));
    EXPECT_EQ(readFile(utf8), "\xEF\xBB\xBF[Café]\nNom=Résumé\nTitre=Élève\n");
    std::string fresh = tmp.str() + "/fresh.ini";
    EXPECT_TRUE(PutIniString("Été", "clé", "né", fresh));
    EXPECT_EQ(readFile(fresh), "[Été]\r\nclé=né\r\n");
}

TEST(IniWrite, BooleansRoundTripAsMinusOneAndZero)
{
    TempDir tmp;
    std::string file = tmp.str() + "/b.ini";
    EXPECT_TRUE(PutIniBoolean("Options", "affiche_aide", true, file));
    EXPECT_EQ(readFile(file), "[Options]\r\naffiche_aide=-1\r\n");
    EXPECT_TRUE(GetIniBoolean("Options", "affiche_aide", false, file));
    EXPECT_TRUE(PutIniBoolean("Options", "affiche_aide", false, file));
    EXPECT_EQ(readFile(file), "[Options]\r\naffiche_aide=0\r\n");
    EXPECT_FALSE(GetIniBoolean("Options", "affiche_aide", true, file));

    std::string other = tmp.write("o.ini", "[o]\r\na=1\r\nb=0.0\r\nc=True\r\nd=faux\r\ne=peut-être\r\nf=+2\r\n");
    EXPECT_TRUE(GetIniBoolean("o", "a", false, other));
    EXPECT_FALSE(GetIniBoolean("o", "b", true, other));
    EXPECT_TRUE(GetIniBoolean("o", "c", false, other));
    EXPECT_FALSE(GetIniBoolean("o", "d", true, other));
    EXPECT_TRUE(GetIniBoolean("o", "e", true, other));
    EXPECT_FALSE(GetIniBoolean("o", "e", false, other));
    EXPECT_TRUE(GetIniBoolean("o", "f", false, other));
}

TEST(IniWrite, ReadOnlyTargetsAreNotWritten)
{
    // CD and DVD file systems and read-only mounts are skipped without a word.
    EXPECT_EQ(classifyWriteTarget(0x9660, false), WriteTarget::SkipSilently);
    EXPECT_EQ(classifyWriteTarget(0x15013346, false), WriteTarget::SkipSilently);
    EXPECT_EQ(classifyWriteTarget(0xEF53, true), WriteTarget::SkipSilently);
    EXPECT_EQ(classifyWriteTarget(0xEF53, false), WriteTarget::Writable);

    TempDir tmp;
    EXPECT_EQ(writeTargetOf(tmp.str() + "/absent.ini"), WriteTarget::Writable);
    std::string file = tmp.write("ro.ini", "[Options]\r\naffiche_aide=-1\r\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    CapturedErrors errors;
    // A file marked read-only is left alone (even when the user's rights would override the mark).
    EXPECT_FALSE(PutIniString("Options", "affiche_aide", "0", file));
    EXPECT_EQ(readFile(file), "[Options]\r\naffiche_aide=-1\r\n");
    ASSERT_EQ(errors.errors.size(), 1u);
    EXPECT_EQ(
        errors.errors[0].rfind("PutIniString() : Item : affiche_aide\r\nErreur d'écriture sur le fichier : " + file, 0),
        0u);
    EXPECT_FALSE(PutIniBoolean("Options", "affiche_aide", false, file));
    ASSERT_EQ(errors.errors.size(), 2u);
    EXPECT_EQ(errors.errors[1].rfind("PutIniBoolean() : ", 0), 0u);
    EXPECT_EQ(filesIn(tmp.str()), 1u);
}

TEST(IniWrite, FailedWriteLeavesTheOldFileWhole)
{
    TempDir tmp;
    const std::string before = "[Options]\r\naffiche_aide=-1\r\n";
    std::string file = tmp.write("Quarex.ini", before);
    std::string big = tmp.write("big.ini", largeIni("[Setup]\r\nTitle=T\r\n", ""));
    const std::string bigBefore = readFile(big);
    CapturedErrors errors;

    // A full disc, simulated by a file-size limit: the new content cannot be written completely.
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool smallWritten = PutIniString("Options", "long", std::string(4000, 'x'), file);
    bool bigWritten = PutIniString("Setup", "Title", "U", big);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(smallWritten);
    EXPECT_FALSE(bigWritten);
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(readFile(big), bigBefore);
    EXPECT_EQ(errors.errors.size(), 2u);
    // No half-written file is left beside them.
    EXPECT_EQ(filesIn(tmp.str()), 2u);

    // The same writes succeed once there is room, and keep the file's permissions.
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_TRUE(PutIniString("Options", "long", "x", file));
    EXPECT_EQ(readFile(file), before + "long=x\r\n");
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(IniWrite, WritingThroughASymbolicLinkKeepsTheLink)
{
    TempDir tmp;
    std::string real = tmp.write("conf/real.ini", "[a]\r\nb=1\r\n");
    std::string link = tmp.str() + "/link.ini";
    std::filesystem::create_symlink(real, link);
    EXPECT_TRUE(PutIniString("a", "b", "2", link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(real), "[a]\r\nb=2\r\n");
}

TEST(IniDocumentText, LineEndingsAndLastLineArePreserved)
{
    IniDocument doc = IniDocument::parse("[a]\nb=1\r\nc=2\rlast");
    EXPECT_EQ(doc.lineCount(), 4u);
    EXPECT_EQ(doc.find("a", "c", IniRules::Classic).value_or("?"), "2");
    EXPECT_EQ(doc.find("a", "last", IniRules::Classic), std::nullopt);
    EXPECT_FALSE(doc.set("a", "b", "1", IniRules::Classic)); // same value: nothing changes
    EXPECT_TRUE(doc.set("a", "d", "4", IniRules::Classic));
    EXPECT_EQ(doc.bytes(), "[a]\nb=1\r\nc=2\rlast\nd=4\n");
    EXPECT_EQ(iniValueFromBytes("[a]\r\nb=  x  \r\n", "A", "B", "d"), "x");
    EXPECT_EQ(iniValueFromBytes("", "a", "b", "d"), "d");
}

TEST(TempFiles, NamesAreNeverThoseOfExistingFiles)
{
    TempDir tmp;
    // Every one of the 17 classic names exists: the draw goes on in a wider range.
    for (int n = 23; n <= 39; ++n)
        tmp.write("~Qrex0" + std::to_string(n) + ".tmp", "x");
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        std::string name = drawTempFileName(tmp.str(), "Qrex",
            [](const std::string& path) { return std::filesystem::exists(std::filesystem::symlink_status(path)); });
        EXPECT_FALSE(std::filesystem::exists(name)) << name;
        std::string base = std::filesystem::path(name).filename().string();
        EXPECT_EQ(base.rfind("~Qrex", 0), 0u) << base;
        EXPECT_EQ(base.substr(base.size() - 4), ".tmp");
        std::string digits = base.substr(5, base.size() - 9);
        EXPECT_GE(digits.size(), 3u);
        EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << base;
        seen.insert(name);
    }

    // When every drawn name is taken the search still ends, by counting.
    int calls = 0;
    std::string last = drawTempFileName(tmp.str(), "Q", [&](const std::string&) { return ++calls < 500; });
    EXPECT_EQ(calls, 500);
    EXPECT_EQ(std::filesystem::path(last).parent_path(), tmp.path());

    // The classic range comes first: 023 to 039 with leading zeros.
    std::string first = drawTempFileName(tmp.str(), "Abc", [](const std::string&) { return false; });
    std::string digits = std::filesystem::path(first).filename().string().substr(4, 3);
    EXPECT_GE(std::stoi(digits), 23);
    EXPECT_LE(std::stoi(digits), 39);
    EXPECT_EQ(digits[0], '0');
}

TEST(TempFiles, PrefixAndDirectoryRules)
{
    EXPECT_EQ(cleanTempPrefix("Qrex"), "Qrex");
    EXPECT_EQ(cleanTempPrefix(""), "Qrex");
    EXPECT_EQ(cleanTempPrefix("Éléphant"), "_l_ph");
    EXPECT_EQ(cleanTempPrefix("ç×÷"), "_×÷");
    EXPECT_EQ(cleanTempPrefix("a/b\\c"), "a_b_c");
    EXPECT_EQ(temporaryDirectoryFrom("/t1", "/t2", "/prog"), "/t1");
    EXPECT_EQ(temporaryDirectoryFrom("", "/t2", "/prog"), "/t2");
    TempDir tmp;
    EXPECT_EQ(temporaryDirectoryFrom(nullptr, nullptr, tmp.str()), tmp.str());
    EXPECT_EQ(temporaryDirectoryFrom(nullptr, "", "/no/such/program/dir"), "/tmp");

    std::string made = createTempFile("Test");
    ASSERT_FALSE(made.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(made));
    EXPECT_NE(TempFileName("Test"), made);
    std::filesystem::remove(made);
}

TEST(IniWrite, TwoRunningCopiesLoseNoWrite)
{
    TempDir tmp;
    std::string file = tmp.write("Quarex.ini", "[Options]\r\naffiche_aide=-1\r\n");
    constexpr int kWrites = 300;
    // Two processes rewrite the same file at once, each its own keys.
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        if (children[c] == 0) {
            CapturedErrors quiet;
            bool all = true;
            for (int i = 0; i < kWrites; ++i)
                all = PutIniString("Concurrent", "p" + std::to_string(c) + "_" + std::to_string(i),
                          std::to_string(i), file)
                    && all;
            ::_exit(all ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string text = readFile(file);
    int missing = 0;
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kWrites; ++i)
            if (iniValueFromBytes(text, "Concurrent", "p" + std::to_string(c) + "_" + std::to_string(i), "")
                != std::to_string(i))
                ++missing;
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(GetIniString("Options", "affiche_aide", "", file), "-1");
    // The lock file goes with the last writer.
    EXPECT_EQ(filesIn(tmp.str()), 1u);
}

TEST(IniRead, SeveralKeysInOnePassReadAsOneAtATime)
{
    std::string longValue(300, 'a');
    const std::vector<std::string> texts = {
        "\xEF\xBB\xBF[Setup]\r\nTitle = Mon logiciel \r\n[Params]\nWndTitle=Fen\xC3\xAAtre\r[Windows 95 Params]\r\n",
        "[Setup]\r\nTitle=Caf\xE9\r\n[setup]\r\nTitle=second\r\n[Params]\r\nWndTitle=" + longValue + "\r\n",
        "[Params]\r\nWndTitle=first\r\n[Setup]\r\n; Title=commented\r\nTitle\r\n[Windows 95 Params]\r\n"
        "WndTitle=95\r\nWndTitle=again",
        "", "no section at all\r\nTitle=x\r\n",
        largeIni("[Setup]\r\nTitle= spaced value \r\n\r\n[Params]\r\nwndtitle=lower\r\nWndTitle=W\r\n",
            "[Windows 95 Params]\r\nWndTitle=\xE9t\xE9"),
    };
    const std::vector<IniKey> keys
        = { { "Setup", "Title" }, { "Params", "WndTitle" }, { "Windows 95 Params", "WndTitle" }, { "setup", "title" } };
    for (const std::string& text : texts) {
        std::vector<std::string> values = iniValuesFromBytes(text, keys);
        ASSERT_EQ(values.size(), keys.size());
        for (std::size_t k = 0; k < keys.size(); ++k)
            EXPECT_EQ(values[k], iniValueFromBytes(text, keys[k].section, keys[k].key, ""))
                << "key " << k << " of " << text.substr(0, 40);
    }
    // What those give, in plain words.
    EXPECT_EQ(iniValuesFromBytes(texts[0], keys),
        (std::vector<std::string> { "Mon logiciel", "Fenêtre", "", "Mon logiciel" }));
    EXPECT_EQ(iniValuesFromBytes(texts[1], keys),
        (std::vector<std::string> { "Café", std::string(255, 'a'), "", "Café" }));
    EXPECT_EQ(iniValuesFromBytes(texts[2], keys), (std::vector<std::string> { "", "first", "95", "" }));
    EXPECT_EQ(iniValuesFromBytes(texts[5], keys), (std::vector<std::string> { " spaced value ", "W", "été", "" }));
}

TEST(IniRead, ScriptOfBlankLinesIsReadQuickly)
{
    // Sixteen mebibytes of empty lines before the section: one pass, no line kept.
    std::string text(16 * 1024 * 1024, '\n');
    text += "[Setup]\r\nTitle=found\r\n";
    auto start = std::chrono::steady_clock::now();
    std::vector<std::string> values = iniValuesFromBytes(text, { { "Setup", "Title" }, { "Params", "WndTitle" } });
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(values, (std::vector<std::string> { "found", "" }));
    EXPECT_LT(seconds, 5.0);
}
