#pragma once

#include <QPixmap>
#include <string>

#include "platform/ui/form.h"

class QLabel;
class QFrame;
class PictureButton;

namespace dezu::ui {
class TimerControl;
}

// The small borderless player bar: previous, play/pause, stop, next, open
// files, playlist and fold buttons and the elapsed time; unfolded it also
// shows the seek bar and the volume bar. It owns the playlist window.
class PlayerBarWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    PlayerBarWindow();

    void on_created() override { init_player_bar(); }
    void on_closing() override { shut_down_player(); }

    // Handlers.
    void init_player_bar();
    void shut_down_player();
    void play_previous_track();
    void play_next_track();
    void open_files_and_play();
    void playback_timer_tick();
    void toggle_bar_height();
    void hide_player_bar();
    void toggle_playlist_window();
    void drag_bar_by_time_label();
    void drag_player_bar();
    void focus_volume_label();
    // Seek handlers; x is in the receiving control's own pixels.
    void seek_fill_mouse_down();
    void seek_track_mouse_down(int x);
    void seek_fill_mouse_move(int x);
    void seek_track_mouse_move(int x);
    void seek_fill_mouse_up();
    void seek_track_mouse_up();

    QLabel* time_label() const { return time_; }
    QLabel* progress_fill() const { return progress_fill_; }
    QLabel* volume_fill() const { return volume_fill_; }
    QFrame* progress_track() const { return progress_track_; }
    QFrame* volume_track() const { return volume_track_; }
    PictureButton* play_button() const { return play_; }
    dezu::ui::TimerControl* tick_timer() const { return timer_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void seek_to_fill();

    std::string background_bytes_;
    QPixmap background_;
    PictureButton* play_ = nullptr;
    QLabel* time_ = nullptr;
    QFrame* progress_track_ = nullptr;
    QLabel* progress_fill_ = nullptr;
    QFrame* volume_track_ = nullptr;
    QLabel* volume_fill_ = nullptr;
    dezu::ui::TimerControl* timer_ = nullptr;
};
