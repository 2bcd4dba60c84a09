#pragma once

#include <QBuffer>
#include <QDeadlineTimer>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"
#include "support/test_services.h"

using dezu::app::Program;

// A program whose wallpaper changes reach a recording desktop. Start-up shows
// no splash, loads no player and leaves the log-on entry alone, so that only
// the wallpaper keys are in play.
class WallpaperTest : public ProgramDirTest {
protected:
    using Change = std::pair<std::string, int>;  // path handed over, style

    void SetUp() override {
        ProgramDirTest::SetUp();
        for (const char* key : {"显示启动画面", "自动播放", "自动启动"})
            ASSERT_TRUE(dezu::settings::write_setting(clock_ini(), "系统参数", key, "N"));
        make_program();
    }
    void TearDown() override {
        program_.reset();
        ProgramDirTest::TearDown();
    }

    void start() {
        program_->start();
        ASSERT_TRUE(dezu::ui::is_window_loaded(dezu::ui::windows::kLauncher));
    }
    // A new run of the program in the same folder, not yet started.
    void restart(bool opacity_enabled = false) {
        program_.reset();
        make_program(opacity_enabled);
    }
    Program& program() { return *program_; }
    dezu::wallpaper::WallpaperRotator& rotator() { return program_->wallpaper(); }
    dezu::ui::TimerControl* timer() { return &rotator().timer(); }

    // One tick of the wallpaper timer, as the timer delivers it, and the
    // change it starts carried out.
    void tick() {
        emit timer()->tick();
        settle();
    }
    // Waits until no change is on its way and its result has come back.
    void settle() {
        QDeadlineTimer deadline(60000);
        while (rotator().busy() && !deadline.hasExpired()) QThread::msleep(2);
        ASSERT_FALSE(rotator().busy()) << "a change did not end";
        process_events();
    }

    std::vector<Change> changes() const {
        std::vector<Change> made;
        for (const auto& call : services.desktop.calls()) made.emplace_back(call.path, call.style);
        return made;
    }

    std::string setting(const std::string& key) const {
        return dezu::settings::read_setting(clock_ini(), "更换壁纸", key, "<missing>");
    }

    // A picture file of that size in the given format ("JPG", "BMP", "PNG"),
    // one colour with a block of another in its top left quarter.
    std::string picture(const std::string& name, int width, int height, const char* format,
                        QColor colour = QColor(20, 120, 200)) const {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        QPainter(&image).fillRect(0, 0, width / 4, height / 4, QColor(240, 200, 10));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        write_file(name, bytes.toStdString());
        return path(name);
    }

    TestServices services;

private:
    // The splash and the player bar, should a test's settings ask for them,
    // are plain windows here.
    void make_program(bool opacity_enabled = false) {
        program_ =
            std::make_unique<Program>(test_site(dir(), opacity_enabled), services.services());
        for (const char* id : {dezu::ui::windows::kSplash, dezu::ui::windows::kPlayerBar})
            dezu::ui::register_window(id, [id] { return std::make_unique<dezu::ui::Form>(id); });
    }

    std::unique_ptr<Program> program_;
};
