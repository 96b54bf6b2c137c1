#include "desktop/desktop_apps.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quarex;
using quarex::test::TempDir;

namespace {

using Words = std::vector<std::string>;

// A private desktop: config and data folders under a temporary directory, programs in its bin folder.
struct FakeDesktop {
    TempDir tmp;
    XdgEnvironment env;

    FakeDesktop()
    {
        env.configHome = tmp.mkdir("config");
        env.configDirs = { tmp.mkdir("etc-xdg") };
        env.dataHome = tmp.mkdir("home-share");
        env.dataDirs = { tmp.mkdir("usr-share") };
        env.path = { tmp.mkdir("bin") };
    }
    std::string program(const std::string& name)
    {
        std::string p = tmp.write("bin/" + name, "#!/bin/sh\n");
        std::filesystem::permissions(p, std::filesystem::perms::owner_all);
        return p;
    }
    void app(const std::string& relative, const std::string& exec, const std::string& extra = "")
    {
        tmp.write(relative, "[Desktop Entry]\nType=Application\nName=X\nExec=" + exec + "\n" + extra);
    }
};

} // namespace

TEST(DesktopApps, ExecLinesSplitAndExpand)
{
    EXPECT_EQ(splitDesktopExec("wine start /unix %f"), (Words { "wine", "start", "/unix", "%f" }));
    EXPECT_EQ(splitDesktopExec("\"/opt/My App/run\" --x \"a \\\"b\\\"\"  %U"),
        (Words { "/opt/My App/run", "--x", "a \"b\"", "%U" }));
    EXPECT_EQ(splitDesktopExec("   "), Words {});

    Words words = splitDesktopExec("viewer --icon %i --name=%c --file=%f %% %k");
    EXPECT_EQ(
        expandDesktopExec(words, "/cd/a b.txt"), (Words { "viewer", "--icon", "--name=", "--file=/cd/a b.txt", "%" }));
    // No file code: the file comes last; URL codes take the path too.
    EXPECT_EQ(expandDesktopExec({ "gimp" }, "/x.bmp"), (Words { "gimp", "/x.bmp" }));
    EXPECT_EQ(expandDesktopExec({ "vlc", "%U" }, "/x.avi"), (Words { "vlc", "/x.avi" }));
    EXPECT_EQ(stripFieldCodes({ "/usr/bin/wine", "start", "/unix", "%f", "--f=%F" }),
        (Words { "/usr/bin/wine", "start", "/unix", "--f=" }));
}

TEST(DesktopApps, DesktopEntriesAndMimeLists)
{
    auto entry = parseDesktopEntry("# comment\n[Desktop Entry]\nType=Application\nExec=a\\sb %f\nHidden=true\n"
                                   "MimeType=text/plain;application/zip;\n[Desktop Action new]\nExec=other\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->exec, "a b %f");
    EXPECT_TRUE(entry->hidden);
    EXPECT_EQ(entry->mimeTypes, (Words { "text/plain", "application/zip" }));
    EXPECT_FALSE(parseDesktopEntry("[Other]\nExec=x\n"));

    MimeAppsList list = parseMimeAppsList("[Default Applications]\r\napplication/zip=a.desktop;b.desktop\r\n"
                                          "[Added Associations]\ntext/plain=c.desktop;c.desktop;\n"
                                          "[Removed Associations]\ntext/plain=d.desktop\n"
                                          "[MIME Cache]\nimage/gif=e.desktop;\n");
    EXPECT_EQ(list.defaults["application/zip"], (Words { "a.desktop", "b.desktop" }));
    EXPECT_EQ(list.added["text/plain"], (Words { "c.desktop" }));
    EXPECT_EQ(list.added["image/gif"], (Words { "e.desktop" }));
    EXPECT_EQ(list.removed["text/plain"], (Words { "d.desktop" }));
}

TEST(DesktopApps, DefaultApplicationFollowsPrecedence)
{
    FakeDesktop d;
    std::string roller = d.program("roller");
    std::string ark = d.program("ark");
    d.app("usr-share/applications/roller.desktop", "roller %U");
    d.app("usr-share/applications/ark.desktop", "ark --batch %f");
    d.app("usr-share/applications/gone.desktop", "not-installed %f");
    d.app("usr-share/applications/hidden.desktop", "ark", "Hidden=true\n");
    d.tmp.write("usr-share/applications/mimeapps.list", "[Default Applications]\napplication/zip=roller.desktop\n");

    auto app = findDefaultApplication(d.env, { "application/zip" });
    ASSERT_TRUE(app);
    EXPECT_EQ(app->id, "roller.desktop");
    EXPECT_EQ(app->command, (Words { roller, "%U" }));

    // The user's own list wins; entries whose program is missing or that are hidden are passed over.
    d.tmp.write(
        "config/mimeapps.list", "[Default Applications]\napplication/zip=gone.desktop;hidden.desktop;ark.desktop;\n");
    app = findDefaultApplication(d.env, { "application/zip" });
    ASSERT_TRUE(app);
    EXPECT_EQ(app->command, (Words { ark, "--batch", "%f" }));

    // A desktop-specific list comes before the plain one.
    d.env.desktops = { "kde" };
    d.tmp.write("config/kde-mimeapps.list", "[Default Applications]\napplication/zip=roller.desktop\n");
    EXPECT_EQ(findDefaultApplication(d.env, { "application/zip" })->id, "roller.desktop");

    EXPECT_FALSE(findDefaultApplication(d.env, { "image/x-nothing" }));
}

TEST(DesktopApps, AddedCacheParentsRemovedAndSubfolders)
{
    FakeDesktop d;
    std::string editor = d.program("editor");
    d.program("viewer");
    d.app("home-share/applications/vendor/editor.desktop", "editor %F");
    d.app("usr-share/applications/viewer.desktop", "viewer %f");
    d.tmp.write("usr-share/applications/mimeinfo.cache", "[MIME Cache]\ntext/plain=viewer.desktop;\n");

    // Found only in the cache, and for the parent type of a readme.
    auto app = findDefaultApplication(d.env, { "text/x-readme", "text/plain" });
    ASSERT_TRUE(app);
    EXPECT_EQ(app->id, "viewer.desktop");

    // An added association (id with a dash standing for a sub-folder) comes before the cache.
    d.tmp.write("config/mimeapps.list", "[Added Associations]\ntext/plain=vendor-editor.desktop;\n");
    app = findDefaultApplication(d.env, { "text/plain" });
    ASSERT_TRUE(app);
    EXPECT_EQ(app->command, (Words { editor, "%F" }));
    EXPECT_EQ(app->file, d.tmp.str() + "/home-share/applications/vendor/editor.desktop");

    // Removed associations are skipped wherever they are listed.
    d.tmp.write("config/mimeapps.list",
        "[Added Associations]\ntext/plain=vendor-editor.desktop;\n"
        "[Removed Associations]\ntext/plain=vendor-editor.desktop;viewer.desktop\n");
    EXPECT_FALSE(findDefaultApplication(d.env, { "text/plain" }));

    EXPECT_EQ(findDesktopFile(d.env, "../escape.desktop"), "");
}

TEST(DesktopApps, ProgramsAlongTheSearchPath)
{
    FakeDesktop d;
    std::string tool = d.program("tool");
    d.tmp.write("bin/plain", "not executable");
    EXPECT_EQ(findProgram("tool", d.env.path), tool);
    EXPECT_EQ(findProgram(tool, {}), tool);
    EXPECT_EQ(findProgram("plain", d.env.path), "");
    EXPECT_EQ(findProgram("absent", d.env.path), "");
    EXPECT_EQ(findProgram("", d.env.path), "");
}
