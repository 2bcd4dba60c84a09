#include "platform/media/media_player.h"

#include <algorithm>
#include <memory>

#include "platform/files/files.h"
#include "platform/media/playbin.h"

namespace dezu::media {

struct MediaPlayer::Pipeline {
    GstElement* playbin = nullptr;
    GstBus* bus = nullptr;
    MediaPlayer* owner = nullptr;
    std::uint64_t number = 0;  // which file of the player's it plays

    static GstBusSyncReply hand_over(GstBus* bus, GstMessage* message, gpointer user);
};

// Runs on the framework's threads: the messages the player acts on are
// handed to its own thread, marked with the file they are about; the bus
// keeps none.
GstBusSyncReply MediaPlayer::Pipeline::hand_over(GstBus*, GstMessage* message, gpointer user) {
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_ASYNC_DONE:
        case GST_MESSAGE_DURATION_CHANGED: {
            const auto* pipeline = static_cast<const Pipeline*>(user);
            MediaPlayer* owner = pipeline->owner;
            const std::uint64_t number = pipeline->number;
            std::shared_ptr<GstMessage> held(gst_message_ref(message), gst_message_unref);
            QMetaObject::invokeMethod(
                owner, [owner, number, held] { owner->take_message(number, held.get()); },
                Qt::QueuedConnection);
            break;
        }
        default:
            break;
    }
    return GST_BUS_DROP;
}

namespace {

std::int64_t query_ms(GstElement* playbin, bool duration) {
    gint64 value = 0;
    const bool known = duration ? gst_element_query_duration(playbin, GST_FORMAT_TIME, &value)
                                : gst_element_query_position(playbin, GST_FORMAT_TIME, &value);
    return known && value > 0 ? std::int64_t(value / GST_MSECOND) : 0;
}

}  // namespace

MediaPlayer::MediaPlayer(QObject* parent) : QObject(parent), open_limit_(this) {
    open_limit_.setSingleShot(true);
    open_limit_.setInterval(kOpenLimitMs);
    connect(&open_limit_, &QTimer::timeout, this, [this] {
        if (state_ == State::Opening) fail(QStringLiteral("the file did not open in time"));
    });
}

MediaPlayer::~MediaPlayer() {
    close();
}

bool MediaPlayer::open(const std::string& path) {
    close();
    if (!files::file_exists(path)) return false;
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    GstElement* playbin = uri ? detail::make_sound_playbin(uri) : nullptr;
    g_free(uri);
    if (!playbin) return false;
    g_object_set(playbin, "volume", volume_, nullptr);
    pipeline_ = new Pipeline{playbin, gst_element_get_bus(playbin), this, ++opened_files_};
    gst_bus_set_sync_handler(pipeline_->bus, Pipeline::hand_over, pipeline_, nullptr);
    const std::uint64_t number = pipeline_->number;
    path_ = path;
    duration_ms_ = 0;
    set_state(State::Opening);
    open_limit_.start();
    switch (gst_element_set_state(playbin, GST_STATE_PAUSED)) {
        case GST_STATE_CHANGE_FAILURE:
            // After the error the framework may have posted, if it did.
            QMetaObject::invokeMethod(
                this,
                [this, number] {
                    if (!pipeline_ || pipeline_->number != number || state_ != State::Opening)
                        return;
                    fail(QStringLiteral("cannot open"));
                },
                Qt::QueuedConnection);
            break;
        case GST_STATE_CHANGE_ASYNC:
            break;  // ASYNC_DONE or an error follows
        default:
            QMetaObject::invokeMethod(
                this,
                [this, number] {
                    if (!pipeline_ || pipeline_->number != number || state_ != State::Opening)
                        return;
                    duration_ms_ = query_ms(pipeline_->playbin, true);
                    set_state(State::Stopped);
                    emit opened();
                },
                Qt::QueuedConnection);
            break;
    }
    return true;
}

void MediaPlayer::close() {
    if (pipeline_) {
        // Stopping the pipeline ends its threads; only then can the bus
        // lose its handler.
        gst_element_set_state(pipeline_->playbin, GST_STATE_NULL);
        gst_bus_set_sync_handler(pipeline_->bus, nullptr, nullptr, nullptr);
        gst_object_unref(pipeline_->bus);
        gst_object_unref(pipeline_->playbin);
        delete pipeline_;
        pipeline_ = nullptr;
    }
    path_.clear();
    duration_ms_ = 0;
    set_state(State::Closed);
}

bool MediaPlayer::prepared() const {
    return pipeline_ && state_ != State::Opening && state_ != State::Closed &&
           state_ != State::Failed;
}

bool MediaPlayer::play() {
    if (!prepared()) return false;
    if (state_ == State::Ended)
        gst_element_seek_simple(pipeline_->playbin, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0);
    if (gst_element_set_state(pipeline_->playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(pipeline_->playbin, GST_STATE_PAUSED);
        return false;
    }
    set_state(State::Playing);
    return true;
}

bool MediaPlayer::pause() {
    if (!prepared()) return false;
    if (gst_element_set_state(pipeline_->playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return false;
    if (state_ != State::Ended) set_state(State::Paused);
    return true;
}

bool MediaPlayer::stop() {
    if (!prepared()) return false;
    if (gst_element_set_state(pipeline_->playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return false;
    gst_element_seek_simple(pipeline_->playbin, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0);
    set_state(State::Stopped);
    return true;
}

bool MediaPlayer::seek(std::int64_t milliseconds) {
    if (!prepared() || milliseconds < 0) return false;
    if (!gst_element_seek_simple(pipeline_->playbin, GST_FORMAT_TIME,
                                 GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                 milliseconds * GST_MSECOND))
        return false;
    if (state_ == State::Ended)
        set_state(GST_STATE_TARGET(pipeline_->playbin) == GST_STATE_PLAYING ? State::Playing
                                                                            : State::Paused);
    return true;
}

std::int64_t MediaPlayer::position_ms() const {
    return pipeline_ ? query_ms(pipeline_->playbin, false) : 0;
}

void MediaPlayer::set_volume(double volume) {
    volume_ = std::clamp(volume, 0.0, 1.0);
    if (pipeline_) g_object_set(pipeline_->playbin, "volume", volume_, nullptr);
}

void MediaPlayer::set_state(State state) {
    if (state_ == state) return;
    state_ = state;
    if (state != State::Opening) open_limit_.stop();
    emit state_changed(state);
}

void MediaPlayer::fail(const QString& message) {
    set_state(State::Failed);
    emit failed(message);
}

void MediaPlayer::take_message(std::uint64_t number, GstMessage* message) {
    // News of a file closed since is old news.
    if (!pipeline_ || pipeline_->number != number) return;
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR: {
            if (state_ == State::Failed) break;
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            const QString text = QString::fromUtf8(error ? error->message : "error");
            if (error) g_error_free(error);
            fail(text);
            break;
        }
        case GST_MESSAGE_EOS:
            if (state_ == State::Playing || state_ == State::Paused) {
                set_state(State::Ended);
                emit ended();
            }
            break;
        case GST_MESSAGE_ASYNC_DONE:
            if (state_ == State::Opening) {
                duration_ms_ = query_ms(pipeline_->playbin, true);
                set_state(State::Stopped);
                emit opened();
            }
            break;
        case GST_MESSAGE_DURATION_CHANGED:
            if (state_ != State::Opening) duration_ms_ = query_ms(pipeline_->playbin, true);
            break;
        default:
            break;
    }
}

}  // namespace dezu::media
