#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <list>
#include <memory>
#include <string>

// Short sounds (the clock's chime). Each sound starts at once and plays on
// the media framework's own threads; nothing waits for it. Sounds go to the
// desktop's own output, or to the element description in DEZU_AUDIO_SINK.
namespace dezu::media {

class SoundPlayer : public QObject {
    Q_OBJECT
public:
    explicit SoundPlayer(QObject* parent = nullptr);
    // Sounds still playing stop.
    ~SoundPlayer() override;

    // A whole WAV file held in memory.
    void play_bytes(const std::string& wav);
    // A sound file: WAV, MIDI or any other audio format the system decodes.
    void play_file(const std::string& path);

    // Sounds started and not yet ended.
    std::size_t playing() const { return playing_.size(); }

signals:
    // Once for every sound started, on this object's thread: the file (empty
    // for bytes), how many bytes were handed in (0 for a file), and whether it
    // played to its end. A sound that cannot be played (a missing file,
    // damaged data) ends at once with played false; nothing else reports it.
    void ended(const QString& file, qint64 bytes, bool played);

private:
    struct Playback;
    void start(std::unique_ptr<Playback> p, const std::string& uri);
    void finish_later(const std::string& file, std::size_t bytes);
    void poll_buses();

    std::list<std::unique_ptr<Playback>> playing_;
    QTimer poll_;
};

}  // namespace dezu::media
