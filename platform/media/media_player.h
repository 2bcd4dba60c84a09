#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <string>

// The media framework's message, kept out of the tools that use this.
struct _GstMessage;  // NOLINT(bugprone-reserved-identifier): GStreamer names it so
typedef struct _GstMessage GstMessage;

namespace dezu::media {

// One media file at a time, played as sound only (video tracks are never
// decoded or shown). Nothing here waits for the media framework: opening
// prepares the file on the framework's threads and reports back through
// opened() or failed(), and the end of a track arrives as ended(). A file
// not ready within kOpenLimitMs fails like one that cannot be played:
// some damaged files leave the framework waiting for ever. Signals
// come on this object's thread. The audio output is the desktop's own, or
// the element description in DEZU_AUDIO_SINK.
class MediaPlayer : public QObject {
    Q_OBJECT
public:
    enum class State {
        Closed,   // no file
        Opening,  // preparing the file
        Stopped,  // ready, at the start
        Playing,
        Paused,
        Ended,   // played to its end
        Failed,  // the file cannot be played, or playing it broke off
    };
    Q_ENUM(State)

    static constexpr int kOpenLimitMs = 5000;

    explicit MediaPlayer(QObject* parent = nullptr);
    ~MediaPlayer() override;
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    // Closes any open file and starts preparing this one. False, with the
    // player closed, when the file does not exist or nothing can play here.
    [[nodiscard]] bool open(const std::string& path);
    void close();

    // Each is false when the player has no prepared file or the framework
    // refuses at once; later failures come as failed().
    [[nodiscard]] bool play();
    [[nodiscard]] bool pause();
    // Pauses and goes back to the start.
    [[nodiscard]] bool stop();
    [[nodiscard]] bool seek(std::int64_t milliseconds);

    State state() const { return state_; }
    const std::string& path() const { return path_; }
    // Known once opened; 0 when the file does not tell.
    std::int64_t duration_ms() const { return duration_ms_; }
    // Where playing has got to; 0 when not known.
    std::int64_t position_ms() const;

    // How long a file may take to get ready; kOpenLimitMs unless changed.
    void set_open_limit_ms(int milliseconds) { open_limit_.setInterval(milliseconds); }

    // 0.0 (silent) to 1.0 (full), kept across files.
    double volume() const { return volume_; }
    void set_volume(double volume);

signals:
    void opened();
    void ended();
    void failed(const QString& message);
    void state_changed(dezu::media::MediaPlayer::State state);

private:
    struct Pipeline;
    void take_message(std::uint64_t number, GstMessage* message);
    void set_state(State state);
    void fail(const QString& message);
    bool prepared() const;

    Pipeline* pipeline_ = nullptr;
    QTimer open_limit_;
    std::uint64_t opened_files_ = 0;
    State state_ = State::Closed;
    std::string path_;
    std::int64_t duration_ms_ = 0;
    double volume_ = 1.0;
};

}  // namespace dezu::media
