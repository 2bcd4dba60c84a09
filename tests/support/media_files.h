#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/tools.h"

// Video files as other programs write them, made by ffmpeg: a moving test
// picture over a 440 Hz tone.
struct Video {
    std::string path;
    double least_sound, most_sound;  // seconds of the tone it holds
};

// Writes the video; false when ffmpeg is missing or fails.
inline bool make_video(const std::string& path, const QStringList& codecs, int milliseconds) {
    QStringList args = {"-hide_banner", "-loglevel",
                        "error",        "-y",
                        "-f",           "lavfi",
                        "-i",           "testsrc=size=320x240:rate=25",
                        "-f",           "lavfi",
                        "-i",           "sine=frequency=440:sample_rate=44100",
                        "-t",           QString::number(milliseconds / 1000.0)};
    args << codecs << QString::fromStdString(path);
    return run_tool("ffmpeg", args);
}

// One second of each kind of video file a user meets, and an MPEG-1 file
// cut off halfway through as an interrupted download leaves it. Empty when
// one cannot be made.
inline std::vector<Video> make_videos(const std::string& dir) {
    const struct {
        const char* name;  // its extension picks the container
        QStringList codecs;
    } kinds[] = {
        {"mpeg1.mpg", {"-c:v", "mpeg1video", "-c:a", "mp2"}},
        {"mpeg4.avi", {"-c:v", "mpeg4", "-c:a", "libmp3lame"}},
        {"mjpeg.avi", {"-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-c:a", "pcm_s16le"}},
        {"wmv.wmv", {"-c:v", "wmv2", "-c:a", "wmav2"}},
    };
    std::vector<Video> videos;
    for (const auto& kind : kinds) {
        videos.push_back({dir + "/" + kind.name, 0.9, 1.2});
        if (!make_video(videos.back().path, kind.codecs, 1000)) return {};
    }
    const std::string cut = dir + "/cut.mpg";
    if (!make_video(cut, {"-c:v", "mpeg1video", "-c:a", "mp2"}, 2000)) return {};
    QFile file(QString::fromStdString(cut));
    if (!file.resize(file.size() / 2)) return {};
    videos.push_back({cut, 0.2, 1.8});
    return videos;
}

// A 440 Hz tone alone, in the format the extension picks; false when ffmpeg
// is missing or fails.
inline bool make_tone(const std::string& path, int milliseconds) {
    return run_tool("ffmpeg",
                    {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                     "sine=frequency=440:sample_rate=44100", "-t",
                     QString::number(milliseconds / 1000.0), QString::fromStdString(path)});
}

// The first kilobyte of an MPEG-1 video, as a download broken off at once
// leaves it: its demuxer finds no stream in it.
inline bool make_mpeg_fragment(const std::string& path) {
    const std::string whole = path + ".whole.mpg";
    return make_video(whole, {"-c:v", "mpeg1video", "-c:a", "mp2"}, 1000) &&
           run_tool("head", {"-c", "1024", QString::fromStdString(whole)}, {}, path);
}

// An output for DEZU_AUDIO_SINK that writes what it is given to the file as
// 8 kHz 16-bit mono samples.
constexpr int kSampleRate = 8000;
inline std::string raw_sound_output(const std::string& path) {
    return "audioconvert ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate=8000 ! "
           "filesink location=\"" +
           path + "\"";
}

struct Sound {
    double seconds = 0;
    int peak = 0;  // the loudest sample: 0 for silence
};

inline Sound sound_in(const std::string& samples) {
    Sound sound;
    sound.seconds = double(samples.size()) / 2 / kSampleRate;
    for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
        const auto sample =
            std::int16_t(std::uint8_t(samples[i]) | (std::uint8_t(samples[i + 1]) << 8));
        sound.peak = std::max(sound.peak, std::abs(int(sample)));
    }
    return sound;
}
