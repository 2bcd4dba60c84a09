#include "player/player_bar_window.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "app/globals.h"
#include "assets/assets.h"
#include "platform/media/mci.h"
#include "platform/settings/settings_file.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/messages.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"
#include "platform/ui/window_shape.h"
#include "player/add_media.h"
#include "player/picture_button.h"
#include "player/picture_label.h"
#include "player/playback_engine.h"
#include "player/playlist_file.h"
#include "player/track_list.h"
#include "player/volume_control.h"

namespace ui = dezu::ui;
using dezu::media::mci_send_string;

namespace {

constexpr int kFullProgress = 123;
constexpr int kFolded = 19;
constexpr int kUnfolded = 37;
constexpr std::size_t kModeCapacity = 30;

QFrame* track_box(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* box = new QFrame(parent);
    box->setObjectName(QString::fromUtf8(name));
    ui::place(box, left, top, width, height);
    return box;
}

std::string two_digits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

PlayerBarWindow::PlayerBarWindow() : Form(ui::windows::kPlayerBar) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("播放器"));
    move(600, 3);
    resize(189, kFolded);
    background_bytes_ = dezu::assets::asset_bytes("player_bar.bmp");
    background_.loadFromData(reinterpret_cast<const uchar*>(background_bytes_.data()),
                             uint(background_bytes_.size()));

    const struct {
        const char* name;
        const char* face;
        int left, width;
    } buttons[] = {{"前一曲", "player_prev", 1, 17},     {"开始播放", "player_play", 21, 16},
                   {"停止播放", "player_stop", 41, 16},  {"后一曲", "player_next", 61, 16},
                   {"开始播放1", "player_open", 81, 16}, {"图形按钮1", "player_list", 101, 16},
                   {"图形按钮2", "player_fold", 121, 16}};
    for (const auto& b : buttons) {
        auto* button = new PictureButton(this, b.name);
        button->set_normal_face(dezu::assets::asset_bytes(std::string(b.face) + ".bmp"));
        button->set_pressed_face(dezu::assets::asset_bytes(std::string(b.face) + "_down.bmp"));
        ui::place(button, b.left, 1, b.width, 16);
    }
    auto* const prev = control<PictureButton>("前一曲");
    play_ = control<PictureButton>("开始播放");
    connect(prev, &QAbstractButton::clicked, this, &PlayerBarWindow::play_previous_track);
    connect(play_, &QAbstractButton::clicked, this, [] { toggle_play_pause(); });
    connect(control<PictureButton>("停止播放"), &QAbstractButton::clicked, this,
            [] { stop_playback(); });
    connect(control<PictureButton>("后一曲"), &QAbstractButton::clicked, this,
            &PlayerBarWindow::play_next_track);
    connect(control<PictureButton>("开始播放1"), &QAbstractButton::clicked, this,
            &PlayerBarWindow::open_files_and_play);
    connect(control<PictureButton>("图形按钮1"), &QAbstractButton::clicked, this,
            &PlayerBarWindow::toggle_playlist_window);
    auto* fold = control<PictureButton>("图形按钮2");
    connect(fold, &QAbstractButton::clicked, this, &PlayerBarWindow::toggle_bar_height);
    connect(fold, &PictureButton::right_pressed, this, &PlayerBarWindow::hide_player_bar);

    time_ = new PictureLabel(this, "标签2", dezu::assets::asset_bytes("player_time_panel.bmp"));
    time_->setText(QStringLiteral("00:00"));
    QFont font(QStringLiteral("SimSun"));
    font.setPixelSize(14);
    font.setWeight(QFont::Normal);
    time_->setFont(font);
    time_->setAlignment(Qt::AlignCenter);
    time_->setStyleSheet(QStringLiteral("color: rgb(150, 240, 190);"));
    time_->setCursor(Qt::SizeAllCursor);
    ui::place(time_, 141, 1, 44, 15);

    progress_track_ = track_box(this, "外形框1", 1, 23, 124, 9);
    progress_fill_ =
        new PictureLabel(this, "标签4", dezu::assets::asset_bytes("player_progress_fill.bmp"));
    ui::place(progress_fill_, 2, 24, 122, 7);
    volume_track_ = track_box(this, "外形框2", 140, 23, 47, 9);
    volume_fill_ = new PictureLabel(volume_track_, "标签1",
                                    dezu::assets::asset_bytes("player_volume_fill.bmp"));
    ui::place(volume_fill_, 3, 1, 41, 7);
    for (QWidget* w : {static_cast<QWidget*>(time_), static_cast<QWidget*>(progress_track_),
                       static_cast<QWidget*>(progress_fill_), static_cast<QWidget*>(volume_track_),
                       static_cast<QWidget*>(volume_fill_)})
        w->installEventFilter(this);

    timer_ = new ui::TimerControl(this, "时钟2");
    connect(timer_, &ui::TimerControl::tick, this, &PlayerBarWindow::playback_timer_tick);
}

void PlayerBarWindow::init_player_bar() {
    ui::shape_window_from_picture(this, background_bytes_, QColor(255, 255, 255));
    install_volume_procedure(volume_fill_);
    g_length_buffer.clear();
    init_volume_from_system(volume_fill_);
    ui::load_window(ui::windows::kPlaylist);
    g_mode_buffer.clear();
    if (g_window_opacity_enabled) ui::set_window_opacity(this, 200);
}

void PlayerBarWindow::shut_down_player() {
    if (g_track_open) stop_playback();
    dezu::settings::write_setting(clock_ini_path(), kPlayerSection, "歌曲",
                                  std::to_string(g_current_track_index));
    ui::destroy_window(ui::windows::kPlaylist);
}

void PlayerBarWindow::play_previous_track() {
    const int count = track_count();
    if (ui::is_window_loaded(ui::windows::kPlaylist) && count > 0) {
        if (g_track_open) stop_playback();
        set_track_selected(g_current_track_index, false);
        g_current_track_index = g_current_track_index > 0 ? g_current_track_index - 1 : count - 1;
        set_track_selected(g_current_track_index, true);
        play_track_at(g_current_track_index);
        g_elapsed_total_seconds = 0;
        progress_fill_->resize(0, progress_fill_->height());
    }
    focus_volume_label();
}

void PlayerBarWindow::play_next_track() {
    advance_track(true);
    focus_volume_label();
}

void PlayerBarWindow::open_files_and_play() {
    if (ui::is_window_loaded(ui::windows::kPlaylist)) {
        const int old_count = track_count();
        add_files_to_playlist();
        if (track_count() > old_count) {
            if (g_track_open) stop_playback();
            g_current_track_index = old_count;
            play_track_at(g_current_track_index);
        }
    }
    focus_volume_label();
}

void PlayerBarWindow::playback_timer_tick() {
    ++g_elapsed_seconds;
    ++g_elapsed_total_seconds;
    // A track of under a second has no length to measure the fill by; the
    // fill stays as it is.
    if (g_track_length_seconds != 0)
        progress_fill_->resize(int(std::trunc(double(g_elapsed_total_seconds) /
                                              g_track_length_seconds * kFullProgress)),
                               progress_fill_->height());
    if (g_elapsed_seconds >= 60) {
        ++g_elapsed_minutes;
        g_elapsed_seconds = 0;
    }
    time_->setText(QString::fromStdString(two_digits(g_elapsed_minutes) + ":" +
                                          two_digits(g_elapsed_seconds)));
    mci_send_string("status " + g_mci_device_name + " mode", &g_mode_buffer, kModeCapacity);
    if (g_mode_buffer == "stopped") {
        g_elapsed_total_seconds = 0;
        advance_track(false);
    }
}

void PlayerBarWindow::seek_fill_mouse_down() {
    if (!g_track_open) return;
    g_seek_drag_active = true;
    g_volume_drag_active = false;
    if (!g_paused && mci_send_string("pause " + g_mci_device_name) == dezu::media::kMciNoError) {
        timer_->set_interval(0);
        g_resume_after_seek = true;
    }
}

void PlayerBarWindow::seek_track_mouse_down(int x) {
    if (!g_track_open) return;
    seek_fill_mouse_down();
    progress_fill_->resize(x, progress_fill_->height());
}

void PlayerBarWindow::seek_fill_mouse_move(int x) {
    if (g_seek_drag_active) progress_fill_->resize(x, progress_fill_->height());
}

void PlayerBarWindow::seek_track_mouse_move(int x) {
    seek_fill_mouse_move(x);
}

void PlayerBarWindow::seek_to_fill() {
    g_seek_drag_active = false;
    const double f = double(progress_fill_->width()) / kFullProgress;
    const double length = dezu::text::numeric_value(g_length_buffer);
    g_elapsed_total_seconds = dezu::text::truncate_toward_zero(f * length / 1000);
    g_elapsed_minutes = g_elapsed_total_seconds / 60;
    g_elapsed_seconds = g_elapsed_total_seconds % 60;
    const auto position = static_cast<long long>(std::trunc(f * length));
    mci_send_string("seek " + g_mci_device_name + " to " + std::to_string(position));
    if (g_resume_after_seek) {
        if (mci_send_string("play " + g_mci_device_name) == dezu::media::kMciNoError)
            timer_->set_interval(1000);
        g_resume_after_seek = false;
    }
}

void PlayerBarWindow::seek_fill_mouse_up() {
    g_volume_drag_active = false;
    if (g_track_open && g_seek_drag_active) seek_to_fill();
    focus_volume_label();
}

void PlayerBarWindow::seek_track_mouse_up() {
    if (g_seek_drag_active) seek_to_fill();
    focus_volume_label();
}

void PlayerBarWindow::toggle_bar_height() {
    resize(width(), height() == kUnfolded ? kFolded : kUnfolded);
    focus_volume_label();
}

void PlayerBarWindow::hide_player_bar() {
    hide();
}

void PlayerBarWindow::toggle_playlist_window() {
    if (!ui::is_window_loaded(ui::windows::kPlaylist)) ui::load_window(ui::windows::kPlaylist);
    if (ui::Form* list = ui::loaded_window(ui::windows::kPlaylist))
        list->setVisible(!list->isVisible());
    focus_volume_label();
}

void PlayerBarWindow::drag_bar_by_time_label() {
    ui::send_message(this, ui::WM_NCLBUTTONDOWN, ui::HTCAPTION, 0);
}

void PlayerBarWindow::drag_player_bar() {
    g_volume_drag_active = false;
    g_seek_drag_active = false;
    ui::send_message(this, ui::WM_NCLBUTTONDOWN, ui::HTCAPTION, 0);
}

void PlayerBarWindow::focus_volume_label() {
    focus_volume_fill();
}

void PlayerBarWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!background_.isNull()) p.drawPixmap(0, 0, background_);
}

void PlayerBarWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) drag_player_bar();
    Form::mousePressEvent(event);
}

bool PlayerBarWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) focus_volume_label();
    return Form::event(event);
}

bool PlayerBarWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return Form::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    const int x = mouse->position().toPoint().x();
    const bool left = mouse->button() == Qt::LeftButton;
    const bool press = type == QEvent::MouseButtonPress && left;
    const bool release = type == QEvent::MouseButtonRelease && left;
    const bool move = type == QEvent::MouseMove;
    if (watched == time_) {
        if (press) drag_bar_by_time_label();
    } else if (watched == progress_fill_) {
        if (press) seek_fill_mouse_down();
        if (move) seek_fill_mouse_move(x);
        if (release) seek_fill_mouse_up();
    } else if (watched == progress_track_) {
        if (press) seek_track_mouse_down(x);
        if (move) seek_track_mouse_move(x);
        if (release) seek_track_mouse_up();
    } else if (watched == volume_fill_) {
        if (press) volume_fill_mouse_down();
        if (move) volume_fill_mouse_move(volume_fill_, x);
        if (release) volume_fill_mouse_up(volume_fill_, x);
    } else if (watched == volume_track_) {
        if (press) volume_track_mouse_down();
        if (move) volume_track_mouse_move(volume_fill_, x);
        if (release) volume_track_mouse_up(volume_fill_, x);
    } else {
        return Form::eventFilter(watched, event);
    }
    // Handled here: a press on a fill does not reach the track beneath it.
    return true;
}
