#include "platform/shell/date_time_settings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cstdlib>
#include <filesystem>

#include "support/program_dir.h"

// Stand-in settings programs on a PATH of their own: each records its name
// and arguments when started.
class DateTimeSettingsTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        saved_path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
        saved_desktop_ = desktop ? std::optional<std::string>(desktop) : std::nullopt;
        std::filesystem::create_directory(path("bin"));
        setenv("PATH", path("bin").c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", saved_path_.c_str(), 1);
        if (saved_desktop_)
            setenv("XDG_CURRENT_DESKTOP", saved_desktop_->c_str(), 1);
        else
            unsetenv("XDG_CURRENT_DESKTOP");
        ProgramDirTest::TearDown();
    }

    void install(const std::string& program) {
        const std::string file = path("bin/" + program);
        write_file("bin/" + program,
                   "#!/bin/sh\necho \"" + program + " $*\" >> '" + path("started.txt") + "'\n");
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }

    // What was started, once it has written its line.
    std::string started() {
        wait_until([&] { return !read_file("started.txt").empty(); }, 5000);
        return read_file("started.txt");
    }

private:
    std::string saved_path_;
    std::optional<std::string> saved_desktop_;
};

TEST_F(DateTimeSettingsTest, StartsTheRunningDesktopsProgramFirst) {
    const struct {
        const char* desktop;
        std::vector<std::string> installed;
        const char* started;
    } cases[] = {
        {"GNOME", {"gnome-control-center", "systemsettings"}, "gnome-control-center datetime\n"},
        {"KDE", {"gnome-control-center", "systemsettings"}, "systemsettings kcm_clock\n"},
        {"ubuntu:GNOME",
         {"systemsettings", "gnome-control-center"},
         "gnome-control-center datetime\n"},
        {"", {"cinnamon-settings"}, "cinnamon-settings calendar\n"},  // any desktop's program
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desktop);
        std::filesystem::remove_all(path("bin"));
        std::filesystem::create_directory(path("bin"));
        std::filesystem::remove(path("started.txt"));
        setenv("XDG_CURRENT_DESKTOP", c.desktop, 1);
        for (const auto& program : c.installed) install(program);
        EXPECT_TRUE(dezu::shell::open_date_time_settings());
        EXPECT_EQ(started(), c.started);
    }
}

TEST_F(DateTimeSettingsTest, NoSettingsProgramIsNoError) {
    setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
    EXPECT_FALSE(dezu::shell::open_date_time_settings());
}
