#pragma once

#include <QObject>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/media/media_player.h"
#include "platform/services.h"
#include "platform/ui/timer_control.h"

namespace dezu::settings {
class Settings;
}

namespace dezu::player {

// What plays after a track ends by itself. A stored value other than 1..3
// repeats the row.
enum class PlayMode { Sequential, Loop, Random, Single };

PlayMode play_mode_from_text(const std::string& text);
std::string play_mode_text(PlayMode mode);  // "1".."4"

// The media player's state: the track list (numbered from 0, each a full
// path), the current row, the playlist file, the play mode, the open track
// with its length and the time played, and the one-second tick (named 时钟2)
// that counts that time and notices the end of a track. The player bar and
// the playlist window are its views.
//
// A row is started without waiting: the file is prepared off the UI thread,
// and a row that is missing or will not play is passed over for the next one
// by the play mode. track_changed comes once the row plays.
class Player : public QObject {
    Q_OBJECT
public:
    Player(ProgramSite site, settings::Settings& settings, ui::FailureReporter& failures,
           QObject* parent = nullptr);
    ~Player() override;

    // The rows.
    const std::vector<std::string>& rows() const { return rows_; }
    int row_count() const { return int(rows_.size()); }
    // The row's text; "" outside the list.
    std::string row(int row) const;
    void replace_rows(std::vector<std::string> rows);
    void append_rows(const std::vector<std::string>& rows);
    // Removes the rows (in ascending order); the current row moves back to
    // the first removed one when it was past it, and then to the last row
    // when it is past the end, and is marked.
    void remove_rows(const std::vector<int>& rows);
    // Moves a row's text to another place; the rows between shift by one.
    void move_row(int from, int to);

    // The playlist file.
    const std::string& list_path() const { return list_path_; }
    void set_list_path(const std::string& path) { list_path_ = path; }
    // The start: the rows of the recorded file (existing media files only),
    // the recorded row played when auto-play is on, then the play mode.
    void open_list_at_start();
    // The rows go with the playlist window.
    void close_list();
    // Writes every row to the current file (TMP.m3u in the program folder
    // when there is none) and records it. A file that cannot be written keeps
    // what it had, and the user is told.
    [[nodiscard]] bool save_list();
    // Appends each line of the file that is not a directive and records the
    // file; false, with nothing added or recorded, when it cannot be read.
    [[nodiscard]] bool load_list(const std::string& path);
    // Appends the lines of an M3U file that have a media extension.
    [[nodiscard]] bool import_m3u(const std::string& path);

    PlayMode play_mode() const { return mode_; }
    void set_play_mode(PlayMode mode) { mode_ = mode; }
    // Sets the mode and stores it.
    void choose_play_mode(PlayMode mode);
    // Stores the mode, leaving the one in force.
    void store_play_mode(PlayMode mode);

    // Playing.
    std::int32_t current_row() const { return current_; }
    void set_current_row(std::int32_t row) { current_ = row; }
    // Starts the row (the current row is set to it first).
    void play_row(std::int32_t row);
    // Stops whatever plays and starts the row the user chose.
    void play_chosen_row(std::int32_t row);
    // The next row: by the loop rule when forced, else by the play mode.
    void advance(bool forced);
    void previous();
    void stop();
    // Pauses or resumes the open track; with none, starts the current row.
    void toggle_play_pause();
    // Records the current row as the one to start from next time.
    void store_current_row();
    // A row is being prepared.
    bool starting() const { return starting_; }

    bool track_open() const { return track_open_; }
    bool paused() const { return paused_; }
    // The open track's name as shown: its path in double quotes.
    const std::string& track_name() const { return track_name_; }
    std::int64_t length_ms() const { return length_ms_; }
    std::int32_t length_seconds() const { return length_seconds_; }
    void forget_length() { length_ms_ = 0; }
    void set_length_seconds(std::int32_t seconds) { length_seconds_ = seconds; }

    // The time played.
    std::int32_t elapsed_minutes() const { return elapsed_minutes_; }
    std::int32_t elapsed_seconds() const { return elapsed_seconds_; }
    std::int32_t elapsed_total_seconds() const { return elapsed_total_; }
    void set_elapsed(std::int32_t minutes, std::int32_t seconds, std::int32_t total);
    ui::TimerControl& tick_timer() { return tick_; }
    // The tick: a second more, and the next row once the track has ended.
    void tick();

    // Seeking: the output pauses (no change to paused()) and resumes around
    // a move to a share of the track.
    [[nodiscard]] bool pause_output();
    [[nodiscard]] bool resume_output();
    void seek_to_share(double share);

    // The output volume, 0.0 to 1.0; full at first.
    double volume() const { return media_.volume(); }
    void set_volume(double volume) { media_.set_volume(volume); }

    media::MediaPlayer& media() { return media_; }

signals:
    void rows_reset();
    void rows_appended(int first);
    void row_removed(int row);
    void row_texts_changed(int first, int last);
    // The row is to be shown selected or not; the row to scroll to.
    void row_marked(int row, bool selected);
    void row_shown(int row);

    // A row started playing.
    void track_changed(int row);
    // The time played moved on.
    void position_changed();
    // The progress starts again from nothing.
    void progress_reset();
    // Playing (the pause face) or not (the play face).
    void playing_changed(bool playing);
    // The open track was stopped and closed.
    void stopped();
    // A start has ended, played or not: the track's name and length changed.
    void track_info_changed();

private:
    void run_chain(std::int32_t row);
    bool start_opening(std::int32_t row);
    void opened();
    void open_failed();
    std::optional<std::int32_t> next_after_failure();
    std::optional<std::int32_t> prepare_advance(bool forced);
    bool chain_should_end(int failures) const;
    void finish_chain();
    void reset_progress();

    ProgramSite site_;
    settings::Settings& settings_;
    ui::FailureReporter& failures_;
    media::MediaPlayer media_;
    ui::TimerControl tick_;

    std::vector<std::string> rows_;
    std::int32_t current_ = 0;
    std::string list_path_;
    PlayMode mode_ = PlayMode::Single;

    std::string track_name_;
    std::int64_t length_ms_ = 0;
    std::int32_t length_seconds_ = 0;
    bool track_open_ = false;
    bool paused_ = false;
    std::int32_t elapsed_minutes_ = 0;
    std::int32_t elapsed_seconds_ = 0;
    std::int32_t elapsed_total_ = 0;

    // A start under way: how many rows failed, and what it shows at its end.
    bool starting_ = false;
    int chain_failures_ = 0;
    bool mark_when_done_ = false;
    bool pause_face_when_done_ = false;
};

}  // namespace dezu::player
