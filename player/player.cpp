#include "player/player.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/files/files.h"
#include "platform/settings/settings.h"
#include "platform/settings/settings_keys.h"
#include "platform/ui/failures.h"
#include "player/playlist_file.h"

namespace dezu::player {

namespace keys = settings::keys;
using State = media::MediaPlayer::State;

PlayMode play_mode_from_text(const std::string& text) {
    if (text == "1") return PlayMode::Sequential;
    if (text == "2") return PlayMode::Loop;
    if (text == "3") return PlayMode::Random;
    return PlayMode::Single;
}

std::string play_mode_text(PlayMode mode) {
    switch (mode) {
        case PlayMode::Sequential:
            return "1";
        case PlayMode::Loop:
            return "2";
        case PlayMode::Random:
            return "3";
        case PlayMode::Single:
            break;
    }
    return "4";
}

Player::Player(ProgramSite site, settings::Settings& settings, ui::FailureReporter& failures,
               QObject* parent)
    : QObject(parent),
      site_(std::move(site)),
      settings_(settings),
      failures_(failures),
      tick_(this, "时钟2") {
    connect(&tick_, &ui::TimerControl::tick, this, &Player::tick);
    connect(&media_, &media::MediaPlayer::opened, this, &Player::opened);
    // A track that breaks off while playing ends at the next tick.
    connect(&media_, &media::MediaPlayer::failed, this, [this] {
        if (starting_) open_failed();
    });
}

Player::~Player() = default;

std::string Player::row(int row) const {
    return row >= 0 && row < row_count() ? rows_[std::size_t(row)] : std::string();
}

void Player::replace_rows(std::vector<std::string> rows) {
    rows_ = std::move(rows);
    emit rows_reset();
}

void Player::append_rows(const std::vector<std::string>& rows) {
    if (rows.empty()) return;
    const int first = row_count();
    rows_.insert(rows_.end(), rows.begin(), rows.end());
    emit rows_appended(first);
}

void Player::remove_rows(const std::vector<int>& rows) {
    if (row_count() > 0 && !rows.empty()) {
        if (current_ > rows.front()) current_ = rows.front();
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
            if (*it < 0 || *it >= row_count()) continue;
            rows_.erase(rows_.begin() + *it);
            emit row_removed(*it);
        }
    }
    const int count = row_count();
    if (current_ >= 0 && current_ <= count - 1) {
        emit row_marked(current_, true);
    } else if (current_ > count - 1 && count > 0) {
        current_ = count - 1;
        emit row_marked(current_, true);
    }
}

void Player::move_row(int from, int to) {
    if (from < 0 || to < 0 || from >= row_count() || to >= row_count() || from == to) return;
    const auto at = [this](int i) { return rows_.begin() + i; };
    if (to > from)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else
        std::rotate(at(to), at(from), at(from + 1));
    emit row_texts_changed(std::min(from, to), std::max(from, to));
}

void Player::open_list_at_start() {
    replace_rows({});
    list_path_ = settings_.path(keys::kPlaylistPath);
    if (!list_path_.empty()) {
        if (!files::file_exists(list_path_)) {
            static_cast<void>(settings_.set(keys::kPlaylistPath, ""));
        } else if (auto rows = read_startup_playlist(list_path_); rows && !rows->empty()) {
            append_rows(*rows);
            current_ = settings_.whole(keys::kCurrentTrack);
            if (settings_.yes(keys::kAutoPlay)) toggle_play_pause();
        }
    }
    // Read after the auto-play, whose advances use the mode held until now.
    mode_ = play_mode_from_text(settings_.text(keys::kPlayMode));
}

void Player::close_list() {
    replace_rows({});
}

bool Player::save_list() {
    if (list_path_.empty()) list_path_ = site_.path("TMP.m3u");
    const files::RewriteResult written = write_playlist(list_path_, rows_);
    // A settings file that cannot be written is told by the settings.
    static_cast<void>(settings_.set(keys::kPlaylistPath, list_path_));
    if (!written) failures_.report_list_not_saved("歌曲列表", list_path_, written.unreadable);
    return static_cast<bool>(written);
}

bool Player::load_list(const std::string& path) {
    list_path_ = path;
    const auto rows = read_playlist_lines(path);
    if (!rows) return false;
    append_rows(*rows);
    static_cast<void>(settings_.set(keys::kPlaylistPath, path));
    return true;
}

bool Player::import_m3u(const std::string& path) {
    const auto rows = read_m3u_media_lines(path);
    if (rows) append_rows(*rows);
    return rows.has_value();
}

void Player::choose_play_mode(PlayMode mode) {
    mode_ = mode;
    store_play_mode(mode);
}

void Player::store_play_mode(PlayMode mode) {
    static_cast<void>(settings_.set(keys::kPlayMode, play_mode_text(mode)));
}

void Player::set_elapsed(std::int32_t minutes, std::int32_t seconds, std::int32_t total) {
    elapsed_minutes_ = minutes;
    elapsed_seconds_ = seconds;
    elapsed_total_ = total;
}

void Player::reset_progress() {
    elapsed_total_ = 0;
    emit progress_reset();
}

void Player::store_current_row() {
    static_cast<void>(settings_.set(keys::kCurrentTrack, current_));
}

// The row the next advance plays, or none when it plays nothing. Does the
// advance's work before the play: the stop, the marks and the progress.
std::optional<std::int32_t> Player::prepare_advance(bool forced) {
    const int count = row_count();
    if (count == 0) return std::nullopt;
    if (track_open_) stop();
    const std::int32_t saved = current_;
    emit row_marked(saved, false);
    if (forced || mode_ == PlayMode::Loop) {
        current_ = current_ < count - 1 ? current_ + 1 : 0;
    } else if (mode_ == PlayMode::Sequential) {
        if (current_ >= count - 1) {
            stop();
            return std::nullopt;
        }
        ++current_;
    } else if (mode_ == PlayMode::Random) {
        std::mt19937 random{std::random_device{}()};
        current_ = std::uniform_int_distribution<std::int32_t>(0, count - 1)(random);
    } else {
        current_ = saved;
    }
    emit row_marked(current_, true);
    emit row_shown(current_);
    reset_progress();
    return current_;
}

// A chain of rows that will not play ends, rather than going round for ever,
// once it has failed as often as there are rows, or at the first failure
// when the mode would only try the same row again.
bool Player::chain_should_end(int failures) const {
    return mode_ == PlayMode::Single || failures >= row_count();
}

bool Player::start_opening(std::int32_t row) {
    const std::string path = this->row(row);
    if (path.empty() || !files::file_exists(path)) return false;
    track_name_ = "\"" + path + "\"";
    return media_.open(path);
}

// Rows that fail at once are tried one after another here rather than by
// nesting calls, so a long list of missing files cannot exhaust the stack.
void Player::run_chain(std::int32_t row) {
    for (;;) {
        if (start_opening(row)) return;  // opened() or open_failed() goes on
        const std::optional<std::int32_t> next = next_after_failure();
        if (!next) {
            finish_chain();
            return;
        }
        row = *next;
    }
}

std::optional<std::int32_t> Player::next_after_failure() {
    emit row_marked(current_, false);
    if (chain_should_end(++chain_failures_)) {
        stop();
        return std::nullopt;
    }
    return prepare_advance(false);
}

void Player::opened() {
    if (!starting_) return;
    length_ms_ = media_.duration_ms();
    length_seconds_ = std::int32_t(length_ms_ / 1000);
    if (!media_.play()) {
        // A file that opened but will not play is left closed.
        media_.close();
        open_failed();
        return;
    }
    emit playing_changed(true);
    track_open_ = true;
    paused_ = false;
    store_current_row();
    tick_.set_interval(1000);
    emit track_changed(current_);
    finish_chain();
}

void Player::open_failed() {
    media_.close();
    length_ms_ = 0;
    length_seconds_ = 0;
    if (const std::optional<std::int32_t> next = next_after_failure())
        run_chain(*next);
    else
        finish_chain();
}

void Player::finish_chain() {
    starting_ = false;
    elapsed_minutes_ = 0;
    elapsed_seconds_ = 0;
    if (mark_when_done_) emit row_marked(current_, true);
    if (pause_face_when_done_) emit playing_changed(true);
    mark_when_done_ = pause_face_when_done_ = false;
    emit track_info_changed();
}

void Player::play_row(std::int32_t row) {
    current_ = row;
    starting_ = true;
    chain_failures_ = 0;
    run_chain(row);
}

void Player::play_chosen_row(std::int32_t row) {
    if (track_open_ || paused_) stop();
    play_row(row);
    if (starting_)
        pause_face_when_done_ = true;
    else
        emit playing_changed(true);
}

void Player::advance(bool forced) {
    if (const std::optional<std::int32_t> next = prepare_advance(forced)) {
        play_row(*next);
        reset_progress();
    }
}

void Player::previous() {
    const int count = row_count();
    if (count == 0) return;
    if (track_open_) stop();
    emit row_marked(current_, false);
    current_ = current_ > 0 ? current_ - 1 : count - 1;
    emit row_marked(current_, true);
    play_row(current_);
    reset_progress();
}

void Player::stop() {
    tick_.set_interval(0);
    elapsed_seconds_ = 0;
    elapsed_minutes_ = 0;
    // With no file open there is nothing to stop.
    if (media_.state() == State::Closed) return;
    if (media_.state() == State::Opening) {
        starting_ = false;
        mark_when_done_ = pause_face_when_done_ = false;
    } else if (media_.state() != State::Failed && !media_.stop()) {
        return;
    }
    media_.close();
    track_open_ = false;
    reset_progress();
    emit stopped();
    emit playing_changed(false);
}

void Player::toggle_play_pause() {
    if (track_open_) {
        if (!paused_) {
            if (media_.pause()) {
                paused_ = true;
                tick_.set_interval(0);
                emit playing_changed(false);
            }
        } else if (media_.play()) {
            paused_ = false;
            tick_.set_interval(1000);
            emit playing_changed(true);
        }
        return;
    }
    const int count = row_count();
    if (count == 0) return;
    if (current_ >= count || current_ < 0) current_ = 0;
    play_row(current_);
    if (starting_)
        mark_when_done_ = true;
    else
        emit row_marked(current_, true);
}

void Player::tick() {
    ++elapsed_seconds_;
    ++elapsed_total_;
    if (elapsed_seconds_ >= 60) {
        ++elapsed_minutes_;
        elapsed_seconds_ = 0;
    }
    emit position_changed();
    const State state = media_.state();
    if (state == State::Ended || state == State::Failed || state == State::Stopped) {
        elapsed_total_ = 0;
        advance(false);
    }
}

bool Player::pause_output() {
    if (!media_.pause()) return false;
    tick_.set_interval(0);
    return true;
}

bool Player::resume_output() {
    if (!media_.play()) return false;
    tick_.set_interval(1000);
    return true;
}

void Player::seek_to_share(double share) {
    const double length = double(length_ms_);
    elapsed_total_ = std::int32_t(std::trunc(share * length / 1000));
    elapsed_minutes_ = elapsed_total_ / 60;
    elapsed_seconds_ = elapsed_total_ % 60;
    static_cast<void>(media_.seek(static_cast<std::int64_t>(std::trunc(share * length))));
}

}  // namespace dezu::player
