#include "platform/media/playbin.h"

#include <cstdlib>

namespace dezu::media::detail {
namespace {

// playbin's GstPlayFlags and decodebin's GstAutoplugSelectResult, which
// their headers do not export.
constexpr guint kFlagVideo = 1u << 0;
constexpr guint kFlagAudio = 1u << 1;
constexpr guint kFlagText = 1u << 2;
constexpr guint kFlagVis = 1u << 3;
constexpr gint kAutoplugTry = 0;
constexpr gint kAutoplugSkip = 2;

// A picture stream gets no parser or decoder, so it is dropped where it
// leaves the demuxer instead of being decoded for nothing. (The demuxer
// errors decodebin now and then loses are lost as often without it.)
gint skip_pictures(GstElement*, GstPad*, GstCaps*, GstElementFactory* factory, gpointer) {
    constexpr auto kPictureWork = GstElementFactoryListType(
        GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_PARSER |
        GST_ELEMENT_FACTORY_TYPE_MEDIA_VIDEO | GST_ELEMENT_FACTORY_TYPE_MEDIA_IMAGE);
    return gst_element_factory_list_is_type(factory, kPictureWork) ? kAutoplugSkip : kAutoplugTry;
}

// playbin adds its uridecodebin before it connects its own handlers, so
// this one runs first and playbin never weighs a picture decoder (for
// which it would also look for a video sink of its own).
void watch_decoding(GstElement* playbin, GstElement* element, gpointer) {
    if (GST_OBJECT_PARENT(element) != GST_OBJECT_CAST(playbin) ||
        !g_signal_lookup("autoplug-select", G_OBJECT_TYPE(element)) ||
        g_object_get_data(G_OBJECT(element), "dezu-sound-only"))
        return;
    g_object_set_data(G_OBJECT(element), "dezu-sound-only", GINT_TO_POINTER(1));
    g_signal_connect(element, "autoplug-select", G_CALLBACK(skip_pictures), nullptr);
}

// The element DEZU_AUDIO_SINK describes; a chain of them comes in a bin of
// its own, one element as itself (a bin would only pass each buffer on).
GstElement* audio_output_from_environment() {
    const char* description = std::getenv("DEZU_AUDIO_SINK");
    if (!description || !*description) return nullptr;
    GError* error = nullptr;
    GstElement* output = gst_parse_launch(description, &error);
    if (output && GST_IS_PIPELINE(output)) {
        gst_object_unref(gst_object_ref_sink(output));
        g_clear_error(&error);
        output = gst_parse_bin_from_description(description, TRUE, &error);
    }
    if (error) g_error_free(error);
    return output;
}

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
    // The video flag only keeps pictures off the screen: playbin still
    // decodes them and tries the desktop's video sinks for them (a DirectFB
    // one crashes the process where no DirectFB runs). A video sink of our
    // own ends the trying; it is a plain "Sink", a class playbin never hands
    // a stream to (a video sink taking any caps would be handed the whole
    // undemuxed file). Skipping picture decoders ends the decoding; playbin3's
    // stream selection would too, but brings another pipeline for every file.
    if (GstElement* nowhere = gst_element_factory_make("fakesink", nullptr))
        g_object_set(playbin, "video-sink", nowhere, nullptr);
    g_signal_connect(playbin, "element-setup", G_CALLBACK(watch_decoding), nullptr);
    if (GstElement* audio = audio_output_from_environment())
        g_object_set(playbin, "audio-sink", audio, nullptr);
    return playbin;
}

}  // namespace dezu::media::detail
