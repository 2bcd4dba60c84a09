#include "platform/media/playbin.h"

#include <cstdlib>

namespace dezu::media::detail {
namespace {

// playbin's GstPlayFlags, which its headers do not export.
constexpr guint kFlagVideo = 1u << 0;
constexpr guint kFlagAudio = 1u << 1;
constexpr guint kFlagText = 1u << 2;
constexpr guint kFlagVis = 1u << 3;

}  // namespace

bool gstreamer_ready() {
    static const bool ready = gst_init_check(nullptr, nullptr, nullptr);
    return ready;
}

GstElement* make_sound_playbin(const std::string& uri) {
    if (!gstreamer_ready()) return nullptr;
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (!playbin) return nullptr;
    guint flags = 0;
    g_object_get(playbin, "flags", &flags, nullptr);
    flags = (flags | kFlagAudio) & ~(kFlagVideo | kFlagText | kFlagVis);
    g_object_set(playbin, "flags", flags, "uri", uri.c_str(), nullptr);
    const char* sink = std::getenv("DEZU_AUDIO_SINK");
    if (sink && *sink) {
        GError* error = nullptr;
        GstElement* audio = gst_parse_bin_from_description(sink, TRUE, &error);
        if (error) g_error_free(error);
        if (audio) g_object_set(playbin, "audio-sink", audio, nullptr);
    }
    return playbin;
}

}  // namespace dezu::media::detail
