#pragma once

#include <QCoreApplication>
#include <QThread>
#include <vector>

#include "platform/media/sound.h"

// While it lives, every sound plays silently into a fake sink, as fast as it
// can, and the log of sounds starts empty.
class SilentSounds {
public:
    SilentSounds() {
        dezu::media::set_audio_sink_for_test("fakesink");
        dezu::media::clear_sounds_played_for_test();
    }
    ~SilentSounds() {
        dezu::media::clear_sounds_played_for_test();
        dezu::media::set_audio_sink_for_test("");
    }

    // The log once every sound started has ended (or after five seconds).
    static std::vector<dezu::media::PlayedSound> after_playing() {
        for (int i = 0; i < 250; ++i) {
            const auto log = dezu::media::sounds_played_for_test();
            bool busy = false;
            for (const auto& s : log) busy |= s.state == dezu::media::PlayedSound::State::Playing;
            if (!busy) return log;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(20);
        }
        return dezu::media::sounds_played_for_test();
    }
};
