#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <string>
#include <vector>

#include "platform/media/sound.h"

// While it lives, sounds and tracks play into the given output instead of
// the desktop's (a fake sink: nothing is heard), through the one variable
// the media service reads for it. What was set before comes back after.
class FakeAudioOutput {
public:
    explicit FakeAudioOutput(const char* sink = "fakesink")
        : had_(qEnvironmentVariableIsSet("DEZU_AUDIO_SINK")), before_(qgetenv("DEZU_AUDIO_SINK")) {
        qputenv("DEZU_AUDIO_SINK", sink);
    }
    ~FakeAudioOutput() {
        if (had_)
            qputenv("DEZU_AUDIO_SINK", before_);
        else
            qunsetenv("DEZU_AUDIO_SINK");
    }
    FakeAudioOutput(const FakeAudioOutput&) = delete;
    FakeAudioOutput& operator=(const FakeAudioOutput&) = delete;

private:
    bool had_;
    QByteArray before_;
};

// What became of each sound a player started, as the player tells it.
class SoundLog {
public:
    struct Sound {
        std::string file;
        qint64 bytes;
        bool played;
    };

    explicit SoundLog(dezu::media::SoundPlayer& player) : player_(&player) {
        QObject::connect(player_, &dezu::media::SoundPlayer::ended,
                         [this](const QString& file, qint64 bytes, bool played) {
                             sounds_.push_back({file.toStdString(), bytes, played});
                         });
    }
    SoundLog(const SoundLog&) = delete;
    SoundLog& operator=(const SoundLog&) = delete;

    void clear() { sounds_.clear(); }

    // The sounds once every one started has ended (or after five seconds).
    std::vector<Sound> after_playing() const {
        QDeadlineTimer deadline(5000);
        while (player_->playing() > 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
        return sounds_;
    }

private:
    dezu::media::SoundPlayer* player_;
    std::vector<Sound> sounds_;
};
