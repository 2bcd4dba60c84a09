#include "platform/media/sound.h"

#include <optional>

#include "platform/files/files.h"
#include "platform/media/playbin.h"

namespace dezu::media {
namespace {

// Pushes an in-memory sound into the pipeline's source in one piece.
void push_bytes(GstElement* /*playbin*/, GstElement* source, gpointer user) {
    const auto* data = static_cast<const std::string*>(user);
    g_object_set(source, "size", gint64(data->size()), "max-bytes", guint64(data->size() + 1),
                 "format", GST_FORMAT_BYTES, nullptr);
    GstBuffer* buffer = gst_buffer_new_memdup(data->data(), data->size());
    GstFlowReturn ret = GST_FLOW_OK;
    g_signal_emit_by_name(source, "push-buffer", buffer, &ret);
    gst_buffer_unref(buffer);
    g_signal_emit_by_name(source, "end-of-stream", &ret);
}

}  // namespace

struct SoundPlayer::Playback {
    GstElement* pipeline = nullptr;
    std::string file;
    std::string data;  // the bytes an in-memory sound plays from

    ~Playback() {
        if (!pipeline) return;
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
};

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {
    // The buses are polled from this thread's event loop: no GLib main loop
    // is needed, and nothing here ever waits for a sound.
    poll_.setInterval(40);
    connect(&poll_, &QTimer::timeout, this, &SoundPlayer::poll_buses);
}

SoundPlayer::~SoundPlayer() = default;

void SoundPlayer::finish_later(const std::string& file, std::size_t bytes) {
    QMetaObject::invokeMethod(
        this,
        [this, file = QString::fromStdString(file), bytes] {
            emit ended(file, qint64(bytes), false);
        },
        Qt::QueuedConnection);
}

void SoundPlayer::play_bytes(const std::string& wav) {
    if (wav.empty()) {
        finish_later({}, 0);
        return;
    }
    auto p = std::make_unique<Playback>();
    p->data = wav;
    start(std::move(p), "appsrc://");
}

void SoundPlayer::play_file(const std::string& path) {
    gchar* uri = files::file_exists(path) ? gst_filename_to_uri(path.c_str(), nullptr) : nullptr;
    if (!uri) {
        finish_later(path, 0);
        return;
    }
    auto p = std::make_unique<Playback>();
    p->file = path;
    start(std::move(p), uri);
    g_free(uri);
}

void SoundPlayer::start(std::unique_ptr<Playback> p, const std::string& uri) {
    if (!(p->pipeline = detail::make_sound_playbin(uri))) {
        finish_later(p->file, p->data.size());
        return;
    }
    if (!p->data.empty())
        g_signal_connect(p->pipeline, "source-setup", G_CALLBACK(push_bytes), &p->data);
    if (gst_element_set_state(p->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        finish_later(p->file, p->data.size());
        return;
    }
    playing_.push_back(std::move(p));
    if (!poll_.isActive()) poll_.start();
}

void SoundPlayer::poll_buses() {
    for (auto it = playing_.begin(); it != playing_.end();) {
        Playback& p = **it;
        GstBus* bus = gst_element_get_bus(p.pipeline);
        std::optional<bool> played;
        while (!played) {
            GstMessage* msg =
                gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            if (!msg) break;
            played = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
            gst_message_unref(msg);
        }
        gst_object_unref(bus);
        if (!played) {
            ++it;
            continue;
        }
        const QString file = QString::fromStdString(p.file);
        const qint64 bytes = qint64(p.data.size());
        it = playing_.erase(it);
        emit ended(file, bytes, *played);
    }
    if (playing_.empty()) poll_.stop();
}

}  // namespace dezu::media
