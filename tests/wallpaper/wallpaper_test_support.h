#pragma once

#include <QBuffer>
#include <QImage>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/globals.h"
#include "app/program.h"
#include "app/register_windows.h"
#include "platform/desktop/desktop_wallpaper.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/form.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"
#include "support/test_services.h"

// A started program whose wallpaper changes are recorded instead of reaching
// the desktop. Start-up shows no splash, loads no player and leaves the log-on
// entry alone, so that only the wallpaper keys are in play.
class WallpaperTest : public ProgramDirTest {
protected:
    using Change = std::pair<std::string, int>;  // picture path, style

    void SetUp() override {
        ProgramDirTest::SetUp();
        register_all_windows();
        dezu::desktop::set_desktop_wallpaper_hook_for_test([this](const std::string& p, int s) {
            changes.emplace_back(p, s);
            return true;
        });
        for (const char* key : {"显示启动画面", "自动播放", "自动启动"})
            dezu::settings::write_setting(clock_ini(), "系统参数", key, "N");
    }
    void TearDown() override {
        program_.reset();
        dezu::desktop::set_desktop_wallpaper_hook_for_test(nullptr);
        ProgramDirTest::TearDown();
    }

    void start(bool opacity_enabled = false) {
        program_.reset();
        program_.emplace(test_site(dir(), opacity_enabled), services_.services());
        program_->start();
        ASSERT_NE(dezu::ui::loaded_window(dezu::ui::windows::kLauncher), nullptr);
    }
    dezu::ui::TimerControl* timer() const {
        dezu::ui::Form* launcher = dezu::ui::loaded_window(dezu::ui::windows::kLauncher);
        return launcher ? launcher->control<dezu::ui::TimerControl>("时钟2") : nullptr;
    }
    // One tick of the launcher's wallpaper timer, as the timer delivers it.
    void tick() const { emit timer()->tick(); }

    std::string setting(const std::string& key) const {
        return dezu::settings::read_setting(clock_ini(), "更换壁纸", key, "<missing>");
    }

    // A picture file of that size in the given format ("JPG", "BMP", "PNG").
    std::string picture(const std::string& name, int width, int height, const char* format) const {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(20, 120, 200));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        write_file(name, bytes.toStdString());
        return path(name);
    }

    std::vector<Change> changes;

private:
    TestServices services_;
    std::optional<Program> program_;
};
