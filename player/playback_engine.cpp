#include "player/playback_engine.h"

#include <QLabel>
#include <QListWidget>
#include <cmath>
#include <optional>
#include <random>
#include <sstream>

#include "app/globals.h"
#include "assets/assets.h"
#include "platform/files/files.h"
#include "platform/media/mci.h"
#include "platform/settings/settings_file.h"
#include "platform/text/text.h"
#include "platform/ui/form.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"
#include "player/picture_button.h"
#include "player/track_list.h"

namespace ui = dezu::ui;
using dezu::media::mci_send_string;

namespace {

constexpr std::size_t kLengthCapacity = 128;

template <class T>
T* bar_control(const char* name) {
    ui::Form* bar = ui::loaded_window(ui::windows::kPlayerBar);
    return bar ? bar->control<T>(name) : nullptr;
}

void set_tick_interval(int ms) {
    if (auto* timer = bar_control<ui::TimerControl>("时钟2")) timer->set_interval(ms);
}

void set_progress_width(int width) {
    if (auto* fill = bar_control<QLabel>("标签4")) fill->resize(width, fill->height());
}

bool playlist_loaded() {
    return ui::is_window_loaded(ui::windows::kPlaylist);
}

std::uint32_t send(const std::string& verb) {
    return mci_send_string(verb + " " + g_mci_device_name);
}

// Free memory in whole megabytes, as the kernel counts what is available.
long long free_megabytes() {
    std::istringstream in(dezu::files::read_whole_file("/proc/meminfo"));
    std::string key;
    long long kb = 0;
    std::string unit;
    while (in >> key >> kb >> unit)
        if (key == "MemAvailable:") return kb / 1024;
    return 0;
}

std::string whole(double value) {
    return std::to_string(static_cast<long long>(std::trunc(value)));
}

void replace_time_tooltip() {
    QLabel* time = bar_control<QLabel>("标签2");
    if (!time) return;
    const double length = dezu::text::numeric_value(g_length_buffer);
    const std::string tip =
        g_mci_device_name + "[时间:" + whole(length / 60000) + "分" +
        whole(std::fmod(length / 1000, 60)) +
        "秒]\r\n    [鼠标中键调节音量]    空闲内存:" + std::to_string(free_megabytes()) + "M";
    time->setToolTip(QString());
    time->setToolTip(QString::fromStdString(tip));
}

// The row the next advance plays, or none when it plays nothing. Does the
// advance's work before the play: the stop, the selection and the progress.
std::optional<std::int32_t> prepare_advance(bool forced) {
    const int count = track_count();
    if (!playlist_loaded() || count == 0) return std::nullopt;
    if (g_track_open) stop_playback();
    const std::int32_t saved = g_current_track_index;
    set_track_selected(saved, false);
    if (forced || g_play_mode == "2") {
        g_current_track_index = g_current_track_index < count - 1 ? g_current_track_index + 1 : 0;
    } else if (g_play_mode == "1") {
        if (g_current_track_index >= count - 1) {
            stop_playback();
            return std::nullopt;
        }
        ++g_current_track_index;
    } else if (g_play_mode == "3") {
        std::mt19937 random{std::random_device{}()};
        g_current_track_index = std::uniform_int_distribution<std::int32_t>(0, count - 1)(random);
    } else {
        g_current_track_index = saved;
    }
    set_track_selected(g_current_track_index, true);
    scroll_to_track(g_current_track_index);
    g_elapsed_total_seconds = 0;
    set_progress_width(0);
    return g_current_track_index;
}

// Opens and starts the row's file. False when it is missing or will not play.
bool start_row(std::int32_t row) {
    const std::string path = track_text(row);
    if (path.empty() || !dezu::files::file_exists(path)) return false;
    g_mci_device_name = mci_device_name_for(path);
    send("open");
    mci_send_string("set " + g_mci_device_name + " time format milliseconds");
    mci_send_string("status " + g_mci_device_name + " length", &g_length_buffer, kLengthCapacity);
    if (!g_length_buffer.empty())
        g_track_length_seconds =
            dezu::text::truncate_toward_zero(dezu::text::numeric_value(g_length_buffer) / 1000);
    if (send("play") != dezu::media::kMciNoError) {
        // A file that opened but will not play is left closed, not open
        // under a name no later command will use.
        send("close");
        return false;
    }
    show_pause_face(true);
    g_track_open = true;
    if (auto* time = bar_control<QLabel>("标签2")) time->setText(QStringLiteral("00:00"));
    g_paused = false;
    dezu::settings::write_setting(clock_ini_path(), "播放器", "歌曲",
                                  std::to_string(g_current_track_index));
    set_tick_interval(1000);
    return true;
}

// A chain of rows that will not play ends, rather than going round for ever,
// once it has failed as often as there are rows, or at the first failure
// when the mode would only try the same row again.
bool chain_should_end(int failures) {
    const bool repeats_row = g_play_mode != "1" && g_play_mode != "2" && g_play_mode != "3";
    return repeats_row || failures >= track_count();
}

}  // namespace

std::string mci_device_name_for(const std::string& path) {
    return "\"" + path + "\"";
}

void show_pause_face(bool pause) {
    if (auto* button = bar_control<PictureButton>("开始播放"))
        button->set_normal_face(
            dezu::assets::asset_bytes(pause ? "player_pause.bmp" : "player_play.bmp"));
}

void focus_volume_fill() {
    if (auto* fill = bar_control<QLabel>("标签1")) fill->setFocus(Qt::OtherFocusReason);
}

void play_track_at(std::int32_t row) {
    // Rows that fail are tried one after another here rather than by nesting
    // calls, so a long list of missing files cannot exhaust the stack.
    int failures = 0;
    while (playlist_loaded() && !start_row(row)) {
        set_track_selected(g_current_track_index, false);
        if (chain_should_end(++failures)) {
            stop_playback();
            break;
        }
        const std::optional<std::int32_t> next = prepare_advance(false);
        if (!next) break;
        row = *next;
    }
    if (playlist_loaded()) {
        g_elapsed_minutes = 0;
        g_elapsed_seconds = 0;
    }
    replace_time_tooltip();
}

void advance_track(bool forced) {
    if (const std::optional<std::int32_t> next = prepare_advance(forced)) {
        play_track_at(*next);
        g_elapsed_total_seconds = 0;
        set_progress_width(0);
    }
}

void stop_playback() {
    set_tick_interval(0);
    g_elapsed_seconds = 0;
    g_elapsed_minutes = 0;
    if (send("stop") != dezu::media::kMciNoError) return;
    if (send("close") != dezu::media::kMciNoError) return;
    g_track_open = false;
    g_elapsed_total_seconds = 0;
    set_progress_width(0);
    focus_volume_fill();
    show_pause_face(false);
}

void toggle_play_pause() {
    if (g_track_open) {
        if (!g_paused) {
            if (send("pause") == dezu::media::kMciNoError) {
                g_paused = true;
                set_tick_interval(0);
                show_pause_face(false);
            }
        } else if (send("play") == dezu::media::kMciNoError) {
            g_paused = false;
            set_tick_interval(1000);
            show_pause_face(true);
        }
        return;
    }
    const int count = track_count();
    if (!playlist_loaded() || count == 0) return;
    if (g_current_track_index >= count || g_current_track_index < 0) g_current_track_index = 0;
    play_track_at(g_current_track_index);
    set_track_selected(g_current_track_index, true);
}
