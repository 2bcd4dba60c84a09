#pragma once

#include <QPixmap>
#include <string>

#include "platform/ui/form.h"

class QLabel;
class QFrame;
class QWheelEvent;

namespace dezu::ui {
class Prompts;
}

namespace dezu::player {

class Player;
class PictureButton;

// The small borderless player bar: previous, play/pause, stop, next, open
// files, playlist and fold buttons and the elapsed time; unfolded it also
// shows the seek bar and the volume bar. It shows the Player and owns the
// playlist window.
class PlayerBarWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    PlayerBarWindow(dezu::player::Player& player, dezu::ui::Prompts& prompts, bool opacity_enabled);

    void on_created() override { init_player_bar(); }
    void on_closing() override { shut_down_player(); }

    // Handlers.
    void init_player_bar();
    void shut_down_player();
    void toggle_play_pause();
    void stop_playing();
    void play_previous_track();
    void play_next_track();
    void open_files_and_play();
    void toggle_bar_height();
    void hide_player_bar();
    void toggle_playlist_window();
    void drag_bar_by_time_label();
    void drag_player_bar();
    void focus_volume_label();
    // Seek and volume handlers; x is in the receiving control's own pixels.
    void seek_fill_mouse_down();
    void seek_track_mouse_down(int x);
    void seek_fill_mouse_move(int x);
    void seek_track_mouse_move(int x);
    void seek_fill_mouse_up();
    void seek_track_mouse_up();
    void volume_fill_mouse_down();
    void volume_track_mouse_down();
    void volume_fill_mouse_move(int x);
    void volume_fill_mouse_up(int x);
    void volume_wheel(int turn);

    QLabel* time_label() const { return time_; }
    QLabel* progress_fill() const { return progress_fill_; }
    QLabel* volume_fill() const { return volume_fill_; }
    QFrame* progress_track() const { return progress_track_; }
    QFrame* volume_track() const { return volume_track_; }
    PictureButton* play_button() const { return play_; }
    int volume_level() const { return volume_level_; }
    void set_volume_level(int level) { volume_level_ = level; }
    bool seek_drag_active() const { return seek_drag_active_; }
    bool volume_drag_active() const { return volume_drag_active_; }
    bool resume_after_seek() const { return resume_after_seek_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void seek_to_fill();
    void show_pause_face(bool pause);
    void show_position();
    void replace_time_tooltip();
    void set_level_from_pointer(int x);
    void set_fill_width(QLabel* fill, int width);
    void set_seek_width(int x);
    void take_wheel(QWheelEvent* event);

    dezu::player::Player& player_;
    dezu::ui::Prompts& prompts_;
    bool opacity_enabled_;
    std::string background_bytes_;
    QPixmap background_;
    PictureButton* play_ = nullptr;
    QLabel* time_ = nullptr;
    QFrame* progress_track_ = nullptr;
    QLabel* progress_fill_ = nullptr;
    QFrame* volume_track_ = nullptr;
    QLabel* volume_fill_ = nullptr;

    int volume_level_ = 0;
    bool volume_drag_active_ = false;
    bool seek_drag_active_ = false;
    bool resume_after_seek_ = false;
};

}  // namespace dezu::player
