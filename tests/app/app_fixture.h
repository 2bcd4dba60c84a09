#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/launcher_window.h"
#include "app/program.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"
#include "support/test_services.h"

using dezu::app::LauncherWindow;
using dezu::app::Program;

// Records which stand-in tool windows were loaded and closed.
struct StandInLog {
    std::vector<std::string> created;
    std::vector<std::string> closed;
    int count(const std::vector<std::string>& list, const std::string& id) const {
        return int(std::count(list.begin(), list.end(), id));
    }
};

// A tool window of another part of the program, standing in for the real one.
class StandInTool : public dezu::ui::Form {
public:
    StandInTool(const std::string& id, StandInLog& log) : Form(id), log_(log) {}
    void on_created() override { log_.created.push_back(window_id()); }
    void on_closing() override { log_.closed.push_back(window_id()); }

private:
    StandInLog& log_;
};

// A program on the test's own folder with stand-in services.
class AppTest : public ProgramDirTest {
protected:
    void TearDown() override {
        program_.reset();
        ProgramDirTest::TearDown();
    }

    // A new program on the folder (the one before it ends first).
    Program& make_program(bool opacity_enabled = false) {
        return make_program_at(test_site(dir(), opacity_enabled));
    }
    Program& make_program_at(const dezu::ProgramSite& site) {
        program_.reset();
        program_.emplace(site, services.services());
        return *program_;
    }
    Program& program() { return *program_; }
    void end_program() { program_.reset(); }

    // Tool windows that stand in for the real ones, from now on.
    void stand_in_for(std::initializer_list<const char*> ids) {
        for (const char* id : ids)
            dezu::ui::register_window(
                id, [this, id] { return std::make_unique<StandInTool>(id, tools); });
    }

    // Runs the start-up sequence of the program made last.
    LauncherWindow* start() {
        program_->start();
        return dezu::ui::loaded_window_as<LauncherWindow>(dezu::ui::windows::kLauncher);
    }

    // clock.ini as the program writes it.
    void set_ini(const char* section, const char* key, const std::string& value) const {
        ASSERT_TRUE(dezu::settings::write_setting(clock_ini(), section, key, value));
    }
    std::string ini(const char* section, const char* key) const {
        return dezu::settings::read_setting(clock_ini(), section, key, "(missing)");
    }

    TestServices services;
    StandInLog tools;

private:
    std::optional<Program> program_;
};
