#include "platform/media/sound.h"

#include <gst/gst.h>

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <cstdlib>
#include <list>
#include <memory>

#include "platform/files/files.h"

namespace dezu::media {
namespace {

struct Playback {
    GstElement* pipeline = nullptr;
    std::string data;  // the bytes an in-memory sound plays from
    std::size_t log_index = 0;
};

std::vector<PlayedSound> sound_log;
std::string test_sink;
std::list<std::unique_ptr<Playback>> playing;
QPointer<QTimer> poll_timer;

bool gstreamer_ready() {
    static const bool ready = gst_init_check(nullptr, nullptr, nullptr);
    return ready;
}

std::string sink_name() {
    if (!test_sink.empty()) return test_sink;
    const char* env = std::getenv("DEZU_AUDIO_SINK");
    return env ? env : "";
}

std::size_t log_start(const std::string& file, std::size_t bytes) {
    sound_log.push_back({file, bytes, PlayedSound::State::Playing});
    return sound_log.size() - 1;
}

void release(Playback& p) {
    if (!p.pipeline) return;
    gst_element_set_state(p.pipeline, GST_STATE_NULL);
    gst_object_unref(p.pipeline);
    p.pipeline = nullptr;
}

// The bus is polled from the UI thread's event loop: no GLib main loop is
// needed, and nothing here ever waits for the sound.
void poll_buses() {
    for (auto it = playing.begin(); it != playing.end();) {
        Playback& p = **it;
        GstBus* bus = gst_element_get_bus(p.pipeline);
        std::optional<PlayedSound::State> end;
        while (!end) {
            GstMessage* msg =
                gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            if (!msg) break;
            end = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS ? PlayedSound::State::Finished
                                                           : PlayedSound::State::Failed;
            gst_message_unref(msg);
        }
        gst_object_unref(bus);
        if (end) {
            sound_log[p.log_index].state = *end;
            release(p);
            it = playing.erase(it);
        } else {
            ++it;
        }
    }
    if (playing.empty() && poll_timer) poll_timer->stop();
}

void watch() {
    if (!poll_timer) {
        if (!QCoreApplication::instance()) return;
        poll_timer = new QTimer(QCoreApplication::instance());
        poll_timer->setInterval(40);
        QObject::connect(poll_timer.data(), &QTimer::timeout, poll_buses);
    }
    if (!poll_timer->isActive()) poll_timer->start();
}

void push_bytes(GstElement* /*playbin*/, GstElement* source, gpointer user) {
    const auto* p = static_cast<const Playback*>(user);
    g_object_set(source, "size", gint64(p->data.size()), "max-bytes", guint64(p->data.size() + 1),
                 "format", GST_FORMAT_BYTES, nullptr);
    GstBuffer* buffer = gst_buffer_new_memdup(p->data.data(), p->data.size());
    GstFlowReturn ret = GST_FLOW_OK;
    g_signal_emit_by_name(source, "push-buffer", buffer, &ret);
    gst_buffer_unref(buffer);
    g_signal_emit_by_name(source, "end-of-stream", &ret);
}

void start(std::unique_ptr<Playback> p, const std::string& uri) {
    PlayedSound& entry = sound_log[p->log_index];
    if (!gstreamer_ready()) {
        entry.state = PlayedSound::State::Failed;
        return;
    }
    p->pipeline = gst_element_factory_make("playbin", nullptr);
    if (!p->pipeline) {
        entry.state = PlayedSound::State::Failed;
        return;
    }
    g_object_set(p->pipeline, "uri", uri.c_str(), nullptr);
    const std::string sink = sink_name();
    if (!sink.empty()) {
        GError* error = nullptr;
        GstElement* audio = gst_parse_launch(sink.c_str(), &error);
        if (error) g_error_free(error);
        if (audio) g_object_set(p->pipeline, "audio-sink", audio, nullptr);
        if (GstElement* video = gst_element_factory_make("fakesink", nullptr))
            g_object_set(p->pipeline, "video-sink", video, nullptr);
    }
    if (!p->data.empty())
        g_signal_connect(p->pipeline, "source-setup", G_CALLBACK(push_bytes), p.get());
    if (gst_element_set_state(p->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        entry.state = PlayedSound::State::Failed;
        release(*p);
        return;
    }
    playing.push_back(std::move(p));
    watch();
}

}  // namespace

void play_sound_bytes(const std::string& wav) {
    auto p = std::make_unique<Playback>();
    p->log_index = log_start({}, wav.size());
    if (wav.empty()) {
        sound_log[p->log_index].state = PlayedSound::State::Failed;
        return;
    }
    p->data = wav;
    start(std::move(p), "appsrc://");
}

void play_sound_file(const std::string& path) {
    auto p = std::make_unique<Playback>();
    p->log_index = log_start(path, 0);
    gchar* uri = files::file_exists(path) ? gst_filename_to_uri(path.c_str(), nullptr) : nullptr;
    if (!uri) {
        sound_log[p->log_index].state = PlayedSound::State::Failed;
        return;
    }
    start(std::move(p), uri);
    g_free(uri);
}

std::vector<PlayedSound> sounds_played_for_test() {
    return sound_log;
}

void clear_sounds_played_for_test() {
    // Sounds still playing are stopped first.
    for (auto& p : playing) release(*p);
    playing.clear();
    sound_log.clear();
}

void set_audio_sink_for_test(const std::string& element) {
    test_sink = element;
}

std::string audio_sink_description() {
    return sink_name();
}

}  // namespace dezu::media
