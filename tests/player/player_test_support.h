#pragma once

#include <QDeadlineTimer>
#include <QListWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/media/media_player.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"
#include "player/player.h"
#include "player/player_bar_window.h"
#include "player/playlist_window.h"
#include "support/program_dir.h"
#include "support/sound_log.h"
#include "support/test_services.h"
#include "support/wav_file.h"

using dezu::app::Program;
using dezu::player::PlayerBarWindow;
using dezu::player::PlaylistWindow;

// A program in a fresh folder with stand-in services, whose tracks play in
// real time into a fake sink: nothing reaches a sound device.
class PlayerTest : public ProgramDirTest {
protected:
    using State = dezu::media::MediaPlayer::State;
    using PlayMode = dezu::player::PlayMode;

    void SetUp() override {
        ProgramDirTest::SetUp();
        program_ = std::make_unique<Program>(test_site(dir()), services.services());
    }
    void TearDown() override {
        dezu::ui::discard_all_windows();
        program_.reset();
        ProgramDirTest::TearDown();
    }

    dezu::player::Player& player() { return program_->player(); }
    // A new run of the program in the same folder, no window open yet.
    void restart() {
        dezu::ui::discard_all_windows();
        program_.reset();
        program_ = std::make_unique<Program>(test_site(dir()), services.services());
    }

    // A track of that length in the program directory; its full path.
    std::string track(const std::string& name, int milliseconds = 3000) {
        write_file(name, wav_bytes(milliseconds));
        return path(name);
    }

    std::string setting(const char* key) const {
        return dezu::settings::read_setting(clock_ini(), "播放器", key);
    }

    // The bar with its playlist window; a track the start-up plays has
    // started.
    PlayerBarWindow* open_bar() {
        auto* bar =
            dynamic_cast<PlayerBarWindow*>(dezu::ui::load_window(dezu::ui::windows::kPlayerBar));
        settle();
        return bar;
    }
    static PlaylistWindow* playlist() {
        return dezu::ui::loaded_window_as<PlaylistWindow>(dezu::ui::windows::kPlaylist);
    }
    void set_rows(const std::vector<std::string>& rows) { player().replace_rows(rows); }
    // The rows as the playlist window shows them.
    static std::vector<std::string> rows() {
        std::vector<std::string> out;
        QListWidget* list = playlist()->list();
        for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
        return out;
    }
    static std::vector<int> selected_rows() {
        std::vector<int> out;
        QListWidget* list = playlist()->list();
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->isSelected()) out.push_back(i);
        return out;
    }

    // Starts the row and waits until it plays or the player has given up.
    void start(int row) {
        player().play_row(row);
        settle();
    }
    // Waits until no row is being prepared.
    void settle() {
        ASSERT_TRUE(wait_until([&] { return !player().starting(); })) << "a start did not end";
    }
    State media_state() { return player().media().state(); }
    bool ticking() { return player().tick_timer().interval() == 1000; }
    // Waits, within a bound, until the open track has played to its end.
    bool wait_until_ended(int limit_ms = 5000) {
        return wait_until([&] { return media_state() == State::Ended; }, limit_ms);
    }

    FakeAudioOutput output{"fakesink sync=true"};
    TestServices services;

private:
    std::unique_ptr<Program> program_;
};
