#pragma once

#include <QCoreApplication>
#include <QListWidget>
#include <QThread>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/register_windows.h"
#include "platform/media/mci.h"
#include "platform/media/sound.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"
#include "player/player_bar_window.h"
#include "player/playlist_window.h"
#include "support/program_dir.h"
#include "support/wav_file.h"

// A fresh program directory with every window registered, and tracks that
// play in real time into a fake sink: nothing reaches a sound device.
class PlayerTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        dezu::media::set_audio_sink_for_test("fakesink sync=true");
        register_all_windows();
        g_program_dir = dir() + "/";
    }
    void TearDown() override {
        dezu::ui::discard_all_windows();
        dezu::media::close_all_mci_devices();
        dezu::media::set_wave_out_volume(0xFFFFFFFFu);
        dezu::media::set_audio_sink_for_test("");
        PlaylistWindow::set_recycler_for_test(nullptr);
        ProgramDirTest::TearDown();
    }

    // A track of that length in the program directory; its full path.
    std::string track(const std::string& name, int milliseconds = 3000) {
        write_file(name, wav_bytes(milliseconds));
        return path(name);
    }

    std::string setting(const char* key) const {
        return dezu::settings::read_setting(clock_ini(), "播放器", key);
    }

    // The bar with its playlist window, nothing playing.
    PlayerBarWindow* open_bar() {
        return dynamic_cast<PlayerBarWindow*>(dezu::ui::load_window(dezu::ui::windows::kPlayerBar));
    }
    static PlaylistWindow* playlist() {
        return dezu::ui::loaded_window_as<PlaylistWindow>(dezu::ui::windows::kPlaylist);
    }
    static void set_rows(const std::vector<std::string>& rows) {
        QListWidget* list = playlist()->list();
        list->clear();
        for (const auto& r : rows) list->addItem(QString::fromStdString(r));
    }
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
    static std::string mode_of_current() {
        std::string reply;
        dezu::media::mci_send_string("status " + g_mci_device_name + " mode", &reply, 30);
        return reply;
    }
    // Waits, within a bound, until the open track has played to its end.
    static bool wait_until_ended(int limit_ms = 5000) {
        for (int waited = 0; waited < limit_ms; waited += 20) {
            if (mode_of_current() == "stopped") return true;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(20);
        }
        return false;
    }
};
