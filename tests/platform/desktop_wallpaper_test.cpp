#include "platform/desktop/desktop_wallpaper.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/files.h"

using dezu::desktop::set_desktop_wallpaper;

namespace {

// Saves an environment variable and puts it back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The desktop's setting programs, alone on PATH, each recording its arguments
// one call a line ("gsettings [set] [schema] ..."). No display is named, so
// nothing can reach a real root window either.
class DesktopWallpaperTest : public ::testing::Test {
protected:
    DesktopWallpaperTest()
        : path_("PATH", bin()),
          display_("DISPLAY", std::nullopt),
          desktop_("XDG_CURRENT_DESKTOP", std::nullopt) {
        std::filesystem::create_directories(bin());
    }

    std::string bin() const { return dir_.path().toStdString() + "/bin"; }

    // A program that records its call, prints the output and exits so.
    void add(const std::string& name, const std::string& output = "", int exit_code = 0) {
        const std::string file = bin() + "/" + name;
        ASSERT_TRUE(dezu::files::write_whole_file(
            file, "#!/bin/sh\n{ printf '%s' '" + name +
                      "'; for a in \"$@\"; do printf ' [%s]' \"$a\"; done; "
                      "echo; } >> '" +
                      log() + "'\nprintf '%s' '" + output + "'\nexit " + std::to_string(exit_code) +
                      "\n"));
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }

    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        const std::string text = dezu::files::read_whole_file(log());
        std::string::size_type start = 0, end;
        while ((end = text.find('\n', start)) != std::string::npos) {
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }

    std::string log() const { return dir_.path().toStdString() + "/calls.log"; }

    QTemporaryDir dir_;
    ScopedEnv path_, display_, desktop_;
};

const std::string kPicture = "/pics/my sea.bmp";

}  // namespace

TEST_F(DesktopWallpaperTest, GsettingsDesktopsGetTheirOwnKeys) {
    add("gsettings");
    const std::string gnome = "gsettings [set] [org.gnome.desktop.background] ";
    const std::string cinnamon = "gsettings [set] [org.cinnamon.desktop.background] ";
    const std::string mate = "gsettings [set] [org.mate.background] ";
    const struct Case {
        const char* desktop;
        std::string path;
        int style;
        std::vector<std::string> expected;
    } cases[] = {
        {"GNOME",
         kPicture,
         0,
         {gnome + "[picture-uri] ['file:///pics/my%20sea.bmp']",
          gnome + "[picture-uri-dark] ['file:///pics/my%20sea.bmp']",
          gnome + "[picture-options] [centered]"}},
        {"ubuntu:GNOME",
         "/p/it's.bmp",
         1,
         {gnome + "[picture-uri] ['file:///p/it%27s.bmp']",
          gnome + "[picture-uri-dark] ['file:///p/it%27s.bmp']",
          gnome + "[picture-options] [wallpaper]"}},
        // The bytes of a name that is not UTF-8 go into the address as they are.
        {"GNOME",
         "/p/\xb4\xba.bmp",
         2,
         {gnome + "[picture-uri] ['file:///p/%B4%BA.bmp']",
          gnome + "[picture-uri-dark] ['file:///p/%B4%BA.bmp']",
          gnome + "[picture-options] [stretched]"}},
        {"GNOME", "", 0, {gnome + "[picture-options] [none]"}},
        {"X-Cinnamon",
         kPicture,
         2,
         {cinnamon + "[picture-uri] ['file:///pics/my%20sea.bmp']",
          cinnamon + "[picture-options] [stretched]"}},
        // A style outside 0..2 stretches.
        {"MATE",
         "/p/it's.bmp",
         5,
         {mate + "[picture-filename] ['/p/it\\'s.bmp']", mate + "[picture-options] [stretched]"}},
        {"MATE", "", 0, {mate + "[picture-filename] ['']"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.desktop) + " " + c.path);
        std::filesystem::remove(log());
        ScopedEnv desktop("XDG_CURRENT_DESKTOP", c.desktop);
        EXPECT_TRUE(set_desktop_wallpaper(c.path, c.style));
        EXPECT_EQ(calls(), c.expected);
    }
}

TEST_F(DesktopWallpaperTest, XfceSetsEveryBackdropItLists) {
    const std::string listing =
        "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
        "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
        "/backdrop/screen0/monitoreDP-1/workspace0/last-image\n"
        "/desktop-icons/style\n";
    add("xfconf-query", listing);
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "XFCE");
    const std::string q = "xfconf-query [-c] [xfce4-desktop] ";
    const std::string hdmi = "[/backdrop/screen0/monitorHDMI-1/workspace0/";
    const std::string edp = "[/backdrop/screen0/monitoreDP-1/workspace0/";
    EXPECT_TRUE(set_desktop_wallpaper(kPicture, 1));
    EXPECT_EQ(calls(),
              (std::vector<std::string>{
                  q + "[-l]",
                  q + "[-p] " + hdmi + "last-image] [-n] [-t] [string] [-s] [/pics/my sea.bmp]",
                  q + "[-p] " + hdmi + "image-style] [-n] [-t] [int] [-s] [2]",
                  q + "[-p] " + edp + "last-image] [-n] [-t] [string] [-s] [/pics/my sea.bmp]",
                  q + "[-p] " + edp + "image-style] [-n] [-t] [int] [-s] [2]",
              }));
    std::filesystem::remove(log());
    EXPECT_TRUE(set_desktop_wallpaper(""));
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           q + "[-l]",
                           q + "[-p] " + hdmi + "image-style] [-n] [-t] [int] [-s] [0]",
                           q + "[-p] " + edp + "image-style] [-n] [-t] [int] [-s] [0]",
                       }));
}

TEST_F(DesktopWallpaperTest, XfceWithoutBackdropsYetSetsTheFirstMonitor) {
    add("xfconf-query");
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "XFCE");
    EXPECT_TRUE(set_desktop_wallpaper(kPicture, 0));
    const std::vector<std::string> got = calls();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_NE(got[1].find("[/backdrop/screen0/monitor0/workspace0/last-image]"), std::string::npos);
    EXPECT_NE(got[2].find("image-style] [-n] [-t] [int] [-s] [1]"), std::string::npos);
}

TEST_F(DesktopWallpaperTest, PlasmaGetsAScriptForEveryDesktop) {
    add("dbus-send");
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "KDE");
    EXPECT_TRUE(set_desktop_wallpaper("/pics/a\"b.jpg", 0));
    std::vector<std::string> got = calls();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].rfind("dbus-send [--session] [--type=method_call] [--print-reply] "
                           "[--dest=org.kde.plasmashell] [/PlasmaShell] "
                           "[org.kde.PlasmaShell.evaluateScript] [string:",
                           0),
              0u);
    EXPECT_NE(got[0].find("d.writeConfig(\"Image\", \"file:///pics/a%22b.jpg\")"),
              std::string::npos);
    EXPECT_NE(got[0].find("d.writeConfig(\"FillMode\", 6)"), std::string::npos);

    std::filesystem::remove(log());
    EXPECT_TRUE(set_desktop_wallpaper(""));
    got = calls();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_NE(got[0].find("d.wallpaperPlugin = \"org.kde.color\""), std::string::npos);
}

TEST_F(DesktopWallpaperTest, NoDesktopThatAnswersAndNoDisplayFails) {
    add("gsettings", "", 1);
    for (const char* desktop : {"GNOME", "LXQt", ""}) {
        SCOPED_TRACE(desktop);
        ScopedEnv env("XDG_CURRENT_DESKTOP", desktop);
        EXPECT_FALSE(set_desktop_wallpaper(kPicture, 2));
    }
    ScopedEnv env("XDG_CURRENT_DESKTOP", "XFCE");  // xfconf-query is not installed
    EXPECT_FALSE(set_desktop_wallpaper(kPicture, 2));
}

TEST_F(DesktopWallpaperTest, LxqtAndLxdeAreSetThroughTheirDesktopPrograms) {
    add("pcmanfm-qt");
    add("pcmanfm");
    const struct Case {
        const char* desktop;
        std::string path;
        int style;
        std::string expected;
    } cases[] = {
        {"LXQt", kPicture, 2,
         "pcmanfm-qt [--set-wallpaper=/pics/my sea.bmp] [--wallpaper-mode=stretch]"},
        {"LXQt", kPicture, 0,
         "pcmanfm-qt [--set-wallpaper=/pics/my sea.bmp] [--wallpaper-mode=center]"},
        {"LXDE", kPicture, 1, "pcmanfm [--set-wallpaper=/pics/my sea.bmp] [--wallpaper-mode=tile]"},
        {"LXDE", kPicture, 7,
         "pcmanfm [--set-wallpaper=/pics/my sea.bmp] [--wallpaper-mode=stretch]"},
        {"LXQt", "", 2, "pcmanfm-qt [--wallpaper-mode=color]"},
        {"LXDE", "", 0, "pcmanfm [--wallpaper-mode=color]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.desktop) + " " + c.path);
        std::filesystem::remove(log());
        ScopedEnv desktop("XDG_CURRENT_DESKTOP", c.desktop);
        EXPECT_TRUE(set_desktop_wallpaper(c.path, c.style));
        EXPECT_EQ(calls(), std::vector<std::string>{c.expected});
    }
}

// These desktops keep the path as UTF-8 text: a name in other bytes would be
// stored with them replaced, naming no file, so it is refused unasked.
TEST_F(DesktopWallpaperTest, DesktopsThatKeepTextRefuseANameThatIsNotUtf8) {
    for (const char* program : {"gsettings", "xfconf-query", "pcmanfm-qt", "pcmanfm"}) add(program);
    const std::string gbk_name = "/p/\xb4\xba.bmp";  // "春.bmp" in GBK
    for (const char* desktop : {"MATE", "XFCE", "LXQt", "LXDE"}) {
        SCOPED_TRACE(desktop);
        ScopedEnv env("XDG_CURRENT_DESKTOP", desktop);
        EXPECT_FALSE(set_desktop_wallpaper(gbk_name, 2));
        EXPECT_TRUE(calls().empty());
        // A UTF-8 name goes through.
        EXPECT_TRUE(set_desktop_wallpaper("/p/春.bmp", 2));
        const std::vector<std::string> made = calls();
        EXPECT_TRUE(std::any_of(made.begin(), made.end(), [](const std::string& call) {
            return call.find("/p/春.bmp") != std::string::npos;
        }));
        std::filesystem::remove(log());
    }
}
