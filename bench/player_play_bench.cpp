// Plays a 60 s MP3 as the program plays it (the player bar loaded as the
// start-up loads it, its playlist window starting the recorded row, the
// one-second tick noticing the end) and prints the CPU time (user + system)
// and the peak resident memory, beside `gst-launch-1.0 playbin` playing the
// same file into the same sink with the flags the player gives its playbin,
// in the same run. Both sides are whole processes of their own, all runs
// started together. For the program the CPU time from loading the bar to
// the stop after the end is printed as well: playing, without the
// program's own start-up.
//
//   bench_player_play [runs] [seconds]      (default 5 runs of 60 s, side by side)
//
// The sink keeps time ("fakesink sync=true"), so each run lasts as long as
// the sound. The MP3 (stereo, 44.1 kHz, 192 kbit/s pink noise) is made by
// ffmpeg. The bar draws offscreen unless QT_QPA_PLATFORM names a platform
// (under Xvfb, xcb costs the same).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/live_services.h"
#include "app/program.h"
#include "bench/measure.h"
#include "platform/files/files.h"
#include "platform/media/playbin.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"
#include "player/player.h"

using dezu::app::LiveServices;
using dezu::app::Program;

namespace {

using dezu::bench::cpu_seconds;

constexpr const char* kSink = "fakesink sync=true";

struct Figures {
    double cpu = 0;          // whole process
    double memory_mib = 0;   // peak resident
    double playing_cpu = 0;  // the program's, from the bar's load to the stop
};

pid_t start(const std::vector<std::string>& args) {
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

bool finish(pid_t child, Figures& figures) {
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    figures.cpu = cpu_seconds(usage);
    figures.memory_mib = double(usage.ru_maxrss) / 1024.0;
    return true;
}

// The program's side, in a fresh process: a program folder whose settings
// auto-play a one-row playlist in sequential mode, so that the player stops
// after the track. Prints the CPU time of playing on stdout.
int play_as_the_program(const std::string& folder) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DEZU_AUDIO_SINK", kSink);
    qputenv("XDG_CONFIG_HOME", (folder + "/config").c_str());
    int argc = 1;
    char name[] = "dezu";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    dezu::ProgramSite site;
    site.dir = folder + "/";
    site.file_name = "dezu";
    LiveServices services;
    Program program(site, services.services());
    QObject::connect(&program.player(), &dezu::player::Player::stopped, &app, &QApplication::quit);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    dezu::ui::load_window(dezu::ui::windows::kPlayerBar);
    if (!program.player().starting() && !program.player().track_open()) return 1;
    QApplication::exec();
    getrusage(RUSAGE_SELF, &after);
    std::printf("%.4f\n", cpu_seconds(after) - cpu_seconds(before));
    return 0;
}

// The flags the player's playbin plays with, for the peer's command line.
std::string product_flags() {
    GstElement* playbin = dezu::media::detail::make_sound_playbin("file:///nothing.mp3");
    if (!playbin) return {};
    guint flags = 0;
    g_object_get(playbin, "flags", &flags, nullptr);
    gst_object_unref(playbin);
    return "0x" + QString::number(flags, 16).toStdString();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--play") return play_as_the_program(argv[2]);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;

    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string mp3 = folder + "/track.mp3";
    if (std::system(("ffmpeg -hide_banner -loglevel error -y -f lavfi -i "
                     "anoisesrc=color=pink:sample_rate=44100:amplitude=0.3 -ac 2 -t " +
                     std::to_string(seconds) + " -c:a libmp3lame -b:a 192k '" + mp3 + "'")
                        .c_str()) != 0) {
        std::fprintf(stderr, "ffmpeg could not make the MP3\n");
        return 1;
    }
    if (!dezu::files::write_lines(folder + "/list.m3u", {mp3}) ||
        !dezu::files::write_whole_file(
            folder + "/clock.ini",
            "[系统参数]\n显示启动画面=N\n自动播放=Y\n自动启动=N\n[播放器]\n"
            "播放列表=" +
                folder + "/list.m3u\n歌曲=0\n播放模式=1\n")) {
        std::fprintf(stderr, "cannot write the program folder\n");
        return 1;
    }
    const std::string flags = product_flags();
    gchar* uri = gst_filename_to_uri(mp3.c_str(), nullptr);
    const std::vector<std::string> peer = {"gst-launch-1.0", "-q",
                                           "playbin",        std::string("uri=") + uri,
                                           "flags=" + flags, std::string("audio-sink=") + kSink};
    g_free(uri);

    std::printf("playing a %d s MP3 into \"%s\", %d runs (median); playbin flags %s\n", seconds,
                kSink, runs, flags.c_str());
    std::printf("%-4s %12s %12s %12s %8s %10s %10s\n", "run", "dezu CPU s", "playing s",
                "peer CPU s", "ratio", "dezu MiB", "peer MiB");
    // Every process starts at once: each spends a few per cent of one core,
    // and a busy machine then weighs on both sides alike.
    struct Run {
        pid_t ours = 0, peer = 0;
        int out = -1;  // the program's report
    };
    std::vector<Run> started;
    for (int run = 0; run < runs; ++run) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return 1;  // only its own child keeps it
        Run r;
        r.ours = fork();
        if (r.ours == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execl("/proc/self/exe", argv[0], "--play", folder.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        r.out = out[0];
        r.peer = start(peer);
        started.push_back(r);
    }
    std::vector<double> ours_cpu, playing_cpu, peer_cpu, ratios, ours_mib, peer_mib;
    for (int run = 1; run <= runs; ++run) {
        const Run& r = started[std::size_t(run - 1)];
        Figures ours, theirs;
        char text[64] = {};
        const ssize_t n = read(r.out, text, sizeof text - 1);
        close(r.out);
        const bool ours_ok = finish(r.ours, ours) && n > 0;
        const bool peer_ok = finish(r.peer, theirs);
        if (!ours_ok || !peer_ok) {
            std::fprintf(stderr, "run %d: %s did not play to its end\n", run,
                         ours_ok ? "gst-launch-1.0" : "the program");
            return 1;
        }
        ours.playing_cpu = std::atof(text);
        const double ratio = ours.cpu / theirs.cpu;
        std::printf("%-4d %12.3f %12.3f %12.3f %7.2fx %10.1f %10.1f\n", run, ours.cpu,
                    ours.playing_cpu, theirs.cpu, ratio, ours.memory_mib, theirs.memory_mib);
        ours_cpu.push_back(ours.cpu);
        playing_cpu.push_back(ours.playing_cpu);
        peer_cpu.push_back(theirs.cpu);
        ratios.push_back(ratio);
        ours_mib.push_back(ours.memory_mib);
        peer_mib.push_back(theirs.memory_mib);
    }
    std::printf("%-4s %12.3f %12.3f %12.3f %7.2fx %10.1f %10.1f\n", "med", median(ours_cpu),
                median(playing_cpu), median(peer_cpu), median(ratios), median(ours_mib),
                median(peer_mib));
    std::printf("playing alone (bar's load to the stop) / peer's whole process: %.2fx\n",
                median(playing_cpu) / median(peer_cpu));
    return 0;
}
