#include "player/player_bar_window.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <sstream>

#include "assets/assets.h"
#include "platform/files/files.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/window_ids.h"
#include "platform/ui/window_shape.h"
#include "player/add_media.h"
#include "player/picture_button.h"
#include "player/picture_label.h"
#include "player/player.h"
#include "player/volume_control.h"

namespace ui = dezu::ui;

namespace dezu::player {

namespace {

constexpr int kFullProgress = 123;
constexpr int kFolded = 19;
constexpr int kUnfolded = 37;

QFrame* track_box(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* box = new QFrame(parent);
    box->setObjectName(QString::fromUtf8(name));
    ui::place(box, left, top, width, height);
    return box;
}

std::string two_digits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
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

}  // namespace

PlayerBarWindow::PlayerBarWindow(dezu::player::Player& player, ui::Prompts& prompts,
                                 bool opacity_enabled)
    : Form(ui::windows::kPlayerBar),
      player_(player),
      prompts_(prompts),
      opacity_enabled_(opacity_enabled) {
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
        void (PlayerBarWindow::*handler)();
    } buttons[] = {{"前一曲", "player_prev", 1, 17, &PlayerBarWindow::play_previous_track},
                   {"开始播放", "player_play", 21, 16, &PlayerBarWindow::toggle_play_pause},
                   {"停止播放", "player_stop", 41, 16, &PlayerBarWindow::stop_playing},
                   {"后一曲", "player_next", 61, 16, &PlayerBarWindow::play_next_track},
                   {"开始播放1", "player_open", 81, 16, &PlayerBarWindow::open_files_and_play},
                   {"图形按钮1", "player_list", 101, 16, &PlayerBarWindow::toggle_playlist_window},
                   {"图形按钮2", "player_fold", 121, 16, &PlayerBarWindow::toggle_bar_height}};
    for (const auto& b : buttons) {
        auto* button = new PictureButton(this, b.name);
        button->set_normal_face(dezu::assets::asset_bytes(std::string(b.face) + ".bmp"));
        button->set_pressed_face(dezu::assets::asset_bytes(std::string(b.face) + "_down.bmp"));
        ui::place(button, b.left, 1, b.width, 16);
        connect(button, &QAbstractButton::clicked, this, b.handler);
        if (b.handler == &PlayerBarWindow::toggle_play_pause) play_ = button;
        if (b.handler == &PlayerBarWindow::toggle_bar_height)
            connect(button, &PictureButton::right_pressed, this, &PlayerBarWindow::hide_player_bar);
    }

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
    // Every control: the wheel over any of them, and the mouse over the
    // time label and the two bars.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);

    connect(&player_, &Player::playing_changed, this, &PlayerBarWindow::show_pause_face);
    connect(&player_, &Player::track_changed, this,
            [this] { time_->setText(QStringLiteral("00:00")); });
    connect(&player_, &Player::position_changed, this, &PlayerBarWindow::show_position);
    connect(&player_, &Player::progress_reset, this, [this] { set_fill_width(progress_fill_, 0); });
    connect(&player_, &Player::stopped, this, &PlayerBarWindow::focus_volume_label);
    connect(&player_, &Player::track_info_changed, this, &PlayerBarWindow::replace_time_tooltip);
}

void PlayerBarWindow::set_fill_width(QLabel* fill, int width) {
    fill->resize(width, fill->height());
}

void PlayerBarWindow::show_pause_face(bool pause) {
    play_->set_normal_face(
        dezu::assets::asset_bytes(pause ? "player_pause.bmp" : "player_play.bmp"));
}

void PlayerBarWindow::show_position() {
    // A track of under a second has no length to measure the fill by; the
    // fill stays as it is.
    if (player_.length_seconds() != 0)
        set_fill_width(progress_fill_, int(std::trunc(double(player_.elapsed_total_seconds()) /
                                                      player_.length_seconds() * kFullProgress)));
    time_->setText(QString::fromStdString(two_digits(player_.elapsed_minutes()) + ":" +
                                          two_digits(player_.elapsed_seconds())));
}

void PlayerBarWindow::replace_time_tooltip() {
    const double length = double(player_.length_ms());
    const std::string tip =
        dezu::text::shown_path(player_.track_name()) + "[时间:" + whole(length / 60000) + "分" +
        whole(std::fmod(length / 1000, 60)) +
        "秒]\r\n    [鼠标中键调节音量]    空闲内存:" + std::to_string(free_megabytes()) + "M";
    time_->setToolTip(QString());
    time_->setToolTip(QString::fromStdString(tip));
}

void PlayerBarWindow::init_player_bar() {
    ui::shape_window_from_picture(this, background_bytes_, QColor(255, 255, 255));
    // The fill takes the focus, so that wheel turns reach it.
    volume_fill_->setFocusPolicy(Qt::StrongFocus);
    player_.forget_length();
    set_fill_width(volume_fill_, start_width(player_.volume()));
    volume_level_ = level_for_width(volume_fill_->width());
    ui::load_window(ui::windows::kPlaylist);
    if (opacity_enabled_) ui::set_window_opacity(this, 200);
}

void PlayerBarWindow::shut_down_player() {
    // A row still being prepared would start playing with no bar to show it.
    if (player_.track_open() || player_.starting()) player_.stop();
    player_.store_current_row();
    ui::destroy_window(ui::windows::kPlaylist);
    player_.close_list();
}

void PlayerBarWindow::toggle_play_pause() {
    player_.toggle_play_pause();
}

void PlayerBarWindow::stop_playing() {
    player_.stop();
}

void PlayerBarWindow::play_previous_track() {
    player_.previous();
    focus_volume_label();
}

void PlayerBarWindow::play_next_track() {
    player_.advance(true);
    focus_volume_label();
}

void PlayerBarWindow::open_files_and_play() {
    const int old_count = player_.row_count();
    add_files_to_playlist(player_, prompts_, this);
    if (player_.row_count() > old_count) {
        if (player_.track_open()) player_.stop();
        player_.play_row(old_count);
    }
    focus_volume_label();
}

void PlayerBarWindow::seek_fill_mouse_down() {
    if (!player_.track_open()) return;
    seek_drag_active_ = true;
    volume_drag_active_ = false;
    if (!player_.paused() && player_.pause_output()) resume_after_seek_ = true;
}

void PlayerBarWindow::seek_track_mouse_down(int x) {
    if (!player_.track_open()) return;
    seek_fill_mouse_down();
    set_seek_width(x);
}

void PlayerBarWindow::seek_fill_mouse_move(int x) {
    if (seek_drag_active_) set_seek_width(x);
}

// The pointer may leave the bar while the button is held; the fill stops at
// the bar's ends, so a release seeks within the track.
void PlayerBarWindow::set_seek_width(int x) {
    set_fill_width(progress_fill_, std::clamp(x, 0, kFullProgress));
}

void PlayerBarWindow::seek_track_mouse_move(int x) {
    seek_fill_mouse_move(x);
}

void PlayerBarWindow::seek_to_fill() {
    seek_drag_active_ = false;
    // The tick may have drawn the fill past its end; a seek stays within.
    player_.seek_to_share(double(std::min(progress_fill_->width(), kFullProgress)) / kFullProgress);
    if (resume_after_seek_) {
        static_cast<void>(player_.resume_output());
        resume_after_seek_ = false;
    }
}

void PlayerBarWindow::seek_fill_mouse_up() {
    volume_drag_active_ = false;
    if (player_.track_open() && seek_drag_active_) seek_to_fill();
    focus_volume_label();
}

void PlayerBarWindow::seek_track_mouse_up() {
    if (seek_drag_active_) seek_to_fill();
    focus_volume_label();
}

// The fill follows the pointer up to its full width, so the level stays
// within 0..127.
void PlayerBarWindow::set_level_from_pointer(int x) {
    set_fill_width(volume_fill_, std::clamp(x, 0, kVolumeFullWidth));
    volume_level_ = level_for_width(volume_fill_->width());
    player_.set_volume(volume_for_level(volume_level_));
}

void PlayerBarWindow::volume_fill_mouse_down() {
    volume_drag_active_ = true;
    seek_drag_active_ = false;
}

void PlayerBarWindow::volume_track_mouse_down() {
    volume_drag_active_ = true;
}

void PlayerBarWindow::volume_fill_mouse_move(int x) {
    if (volume_drag_active_) set_level_from_pointer(x);
}

void PlayerBarWindow::volume_fill_mouse_up(int x) {
    if (!volume_drag_active_) return;
    volume_drag_active_ = false;
    set_level_from_pointer(x);
}

void PlayerBarWindow::volume_wheel(int turn) {
    volume_level_ = wheel_level(volume_level_, turn);
    player_.set_volume(volume_for_level(volume_level_));
    set_fill_width(volume_fill_, width_for_level(volume_level_));
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
    if (QWindow* window = windowHandle()) window->startSystemMove();
}

void PlayerBarWindow::drag_player_bar() {
    volume_drag_active_ = false;
    seek_drag_active_ = false;
    if (QWindow* window = windowHandle()) window->startSystemMove();
}

void PlayerBarWindow::focus_volume_label() {
    volume_fill_->setFocus(Qt::OtherFocusReason);
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

// The wheel goes to the control under the pointer, not to the focused fill:
// a turn anywhere over the bar sets the volume, even with the fill at 0 px.
void PlayerBarWindow::take_wheel(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const int turn = delta.y() != 0 ? delta.y() : delta.x();
    // A touchpad's start and end of a scroll carry no turn.
    if (turn != 0) volume_wheel(turn);
    event->accept();
}

void PlayerBarWindow::wheelEvent(QWheelEvent* event) {
    take_wheel(event);
}

bool PlayerBarWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) focus_volume_label();
    return Form::event(event);
}

bool PlayerBarWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Wheel) {
        take_wheel(static_cast<QWheelEvent*>(event));
        return true;
    }
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
        if (move) volume_fill_mouse_move(x);
        if (release) volume_fill_mouse_up(x);
    } else if (watched == volume_track_) {
        if (press) volume_track_mouse_down();
        if (move) volume_fill_mouse_move(x);
        if (release) volume_fill_mouse_up(x);
    } else {
        return Form::eventFilter(watched, event);
    }
    // Handled here: a press on a fill does not reach the track beneath it.
    return true;
}

}  // namespace dezu::player
