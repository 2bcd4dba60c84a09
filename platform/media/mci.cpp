#include "platform/media/mci.h"

#include <gst/gst.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>

#include "platform/files/files.h"
#include "platform/media/sound.h"

namespace dezu::media {
namespace {

constexpr std::uint32_t kMciDuplicateAlias = 289;
constexpr std::uint32_t kMciOutOfRange = 300;
// Opening a local file and decoding its first data takes milliseconds; a
// file that has not got there in this time is treated as unplayable rather
// than letting the caller wait on it.
constexpr GstClockTime kSettleTimeout = 2 * GST_SECOND;

enum class Mode { Stopped, Playing, Paused };

struct Device {
    GstElement* pipeline = nullptr;
    Mode mode = Mode::Stopped;
    bool ended = false;   // played to its end, or failed while playing
    bool failed = false;  // the media framework reported an error
};

std::map<std::string, Device> devices;
std::uint32_t wave_volume = 0xFFFFFFFFu;
std::uint32_t midi_volume = 0xFFFFFFFFu;

bool gstreamer_ready() {
    static const bool ready = gst_init_check(nullptr, nullptr, nullptr);
    return ready;
}

double linear_volume(std::uint32_t word) {
    const double left = word & 0xFFFFu;
    const double right = word >> 16;
    return (left + right) / 2.0 / 65535.0;
}

// Takes every message the pipeline has posted, noting its end and errors;
// nothing else is kept, so the bus never grows.
void drain_bus(Device& d) {
    GstBus* bus = gst_element_get_bus(d.pipeline);
    while (GstMessage* msg = gst_bus_pop(bus)) {
        if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS) d.ended = true;
        if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) d.ended = d.failed = true;
        gst_message_unref(msg);
    }
    gst_object_unref(bus);
}

// Waits, within the bound, for the pipeline to reach the state it was sent
// to. False when it cannot.
bool settle(Device& d) {
    const GstStateChangeReturn r =
        gst_element_get_state(d.pipeline, nullptr, nullptr, kSettleTimeout);
    drain_bus(d);
    return r != GST_STATE_CHANGE_FAILURE && r != GST_STATE_CHANGE_ASYNC && !d.failed;
}

void release(Device& d) {
    if (!d.pipeline) return;
    gst_element_set_state(d.pipeline, GST_STATE_NULL);
    gst_object_unref(d.pipeline);
    d.pipeline = nullptr;
}

void set_reply(std::string* reply, std::size_t capacity, std::string text) {
    if (!reply) return;
    if (capacity == 0) {
        reply->clear();
        return;
    }
    if (text.size() > capacity - 1) text.resize(capacity - 1);
    *reply = std::move(text);
}

std::string_view next_word(std::string_view& rest) {
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    std::size_t end = 0;
    if (!rest.empty() && rest.front() == '"') {
        end = rest.find('"', 1);
        end = end == std::string_view::npos ? rest.size() : end + 1;
    } else {
        end = std::min(rest.find(' '), rest.size());
    }
    std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

std::string path_of(std::string_view device) {
    if (device.size() >= 2 && device.front() == '"' && device.back() == '"')
        return std::string(device.substr(1, device.size() - 2));
    return std::string(device);
}

std::uint32_t open_device(const std::string& name) {
    if (devices.count(name)) return kMciDuplicateAlias;
    const std::string path = path_of(name);
    if (!files::file_exists(path)) return kMciCannotLoadDriver;
    if (!gstreamer_ready()) return kMciCannotLoadDriver;
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    GstElement* pipeline = uri ? gst_element_factory_make("playbin", nullptr) : nullptr;
    if (!pipeline) {
        g_free(uri);
        return kMciCannotLoadDriver;
    }
    g_object_set(pipeline, "uri", uri, "volume", linear_volume(wave_volume), nullptr);
    g_free(uri);
    const std::string sink = audio_sink_description();
    if (!sink.empty()) {
        GError* error = nullptr;
        GstElement* audio = gst_parse_bin_from_description(sink.c_str(), TRUE, &error);
        if (error) g_error_free(error);
        if (audio) g_object_set(pipeline, "audio-sink", audio, nullptr);
        // Video tracks are decoded but never shown in a test.
        if (GstElement* video = gst_element_factory_make("fakesink", nullptr))
            g_object_set(pipeline, "video-sink", video, nullptr);
    }
    Device& d = devices[name];
    d.pipeline = pipeline;
    // Preparing the file starts now; "play" and "status length" wait for it.
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    return kMciNoError;
}

std::uint32_t play(Device& d) {
    drain_bus(d);
    if (d.failed) return kMciCannotPlay;
    if (d.ended) {
        gst_element_seek_simple(d.pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0);
        d.ended = false;
    }
    if (gst_element_set_state(d.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ||
        !settle(d)) {
        gst_element_set_state(d.pipeline, GST_STATE_PAUSED);
        return kMciCannotPlay;
    }
    d.mode = Mode::Playing;
    return kMciNoError;
}

std::uint32_t pause_or_stop(Device& d, Mode mode) {
    drain_bus(d);
    if (gst_element_set_state(d.pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return kMciDeviceNotReady;
    if (mode == Mode::Stopped) {
        gst_element_seek_simple(d.pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0);
        d.ended = false;
    }
    d.mode = mode;
    return kMciNoError;
}

std::uint32_t status(Device& d, const std::string& item, std::string* reply, std::size_t capacity) {
    if (item == "length") {
        gint64 length = 0;
        if (!settle(d) || !gst_element_query_duration(d.pipeline, GST_FORMAT_TIME, &length) ||
            length < 0)
            length = 0;
        set_reply(reply, capacity, std::to_string(length / GST_MSECOND));
        return kMciNoError;
    }
    if (item == "mode") {
        drain_bus(d);
        const char* text = d.ended || d.mode == Mode::Stopped ? "stopped"
                           : d.mode == Mode::Paused           ? "paused"
                                                              : "playing";
        set_reply(reply, capacity, text);
        return kMciNoError;
    }
    return kMciUnrecognizedCommand;
}

std::uint32_t seek(Device& d, std::string_view rest) {
    if (lower(next_word(rest)) != "to") return kMciUnrecognizedCommand;
    const std::string_view number = next_word(rest);
    std::int64_t ms = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), ms);
    if (ec != std::errc() || end != number.data() + number.size() || ms < 0) return kMciOutOfRange;
    settle(d);
    gst_element_seek_simple(d.pipeline, GST_FORMAT_TIME,
                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            ms * GST_MSECOND);
    d.ended = false;
    return kMciNoError;
}

}  // namespace

std::uint32_t mci_send_string(const std::string& command, std::string* reply,
                              std::size_t capacity) {
    std::string_view rest = command;
    const std::string verb = lower(next_word(rest));
    const std::string name(next_word(rest));
    if (reply && capacity) reply->clear();
    if (name.empty()) return kMciUnrecognizedCommand;
    if (verb == "open") return open_device(name);

    const auto it = devices.find(name);
    if (it == devices.end()) return kMciInvalidDeviceName;
    Device& d = it->second;
    if (verb == "play") return play(d);
    if (verb == "pause") return pause_or_stop(d, Mode::Paused);
    if (verb == "stop") return pause_or_stop(d, Mode::Stopped);
    if (verb == "seek") return seek(d, rest);
    if (verb == "status") return status(d, lower(next_word(rest)), reply, capacity);
    if (verb == "set")
        return lower(std::string(rest)).find("time format milliseconds") != std::string::npos
                   ? kMciNoError
                   : kMciUnrecognizedCommand;
    if (verb == "close") {
        release(d);
        devices.erase(it);
        return kMciNoError;
    }
    return kMciUnrecognizedCommand;
}

std::size_t open_mci_devices() {
    return devices.size();
}

void close_all_mci_devices() {
    for (auto& [name, d] : devices) release(d);
    devices.clear();
}

std::uint32_t wave_out_volume() {
    return wave_volume;
}

void set_wave_out_volume(std::uint32_t word) {
    wave_volume = word;
    for (auto& [name, d] : devices)
        g_object_set(d.pipeline, "volume", linear_volume(word), nullptr);
}

std::uint32_t midi_out_volume() {
    return midi_volume;
}

void set_midi_out_volume(std::uint32_t word) {
    midi_volume = word;
}

}  // namespace dezu::media
