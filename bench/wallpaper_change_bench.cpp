// Times a timed wallpaper change of 12, 24 and 48 megapixel JPEG photos: the
// longest the UI thread is held while the change runs, the whole change, and
// the memory it needs over what the program held before, beside ImageMagick's
// convert doing the same conversion to BMP in the same run. The 48 megapixel
// photo goes in each display style, saved four ways: as Qt saves it (4:2:0
// chroma, baseline), and as ImageMagick saves it again progressive
// (-interlace Plane), with full chroma (4:4:4, as it does at quality 90 and
// over), and both; a progressive file is decoded whole before its first row.
//
//   bench_wallpaper_change [runs] [folder]     (folder default: a new one in /tmp)
//
// Each measurement runs in a process of its own, so that peaks do not mix.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "platform/desktop/desktop_setter.h"
#include "platform/settings/settings.h"
#include "platform/settings/settings_keys.h"
#include "platform/ui/failures.h"
#include "platform/ui/prompts.h"
#include "wallpaper/wallpaper_rotator.h"

namespace {

using dezu::bench::reset_peak;
using dezu::bench::status_kib;

struct Figures {
    double idle_hold_ms = 0;     // UI thread, the second before: what the machine's load costs
    double longest_hold_ms = 0;  // UI thread, during the change
    double tick_ms = 0;          // of that, the tick itself: mostly the settings file's write
    double change_ms = 0;
    double memory_mib = 0;  // peak over base
};

// The screen the change is for: the commonest one.
constexpr int kScreenWidth = 1920, kScreenHeight = 1080;

// A desktop of one such screen that takes every picture and shows none.
class NoDesktop final : public dezu::desktop::DesktopSetter {
public:
    bool set_wallpaper(const std::string&, int) override { return true; }
    QSize screen_size() override { return {kScreenWidth, kScreenHeight}; }
};

// Something like a photo: smooth light with fine grain.
void make_photo(const std::string& file, int width, int height) {
    QImage photo(width, height, QImage::Format_RGB32);
    std::mt19937 random(width);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random() % 24);
            line[x] = qRgb(40 + x * 160 / width + grain, 60 + y * 150 / height + grain,
                           120 + (x + y) * 100 / (width + height) + grain);
        }
    }
    photo.save(QString::fromStdString(file), "JPG", 90);
}

// Runs fn in a child process and reads back what it writes to the pipe.
template <class T>
T in_child(const std::function<T()>& fn) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(fds[0]);
        const T result = fn();
        if (::write(fds[1], &result, sizeof result) != sizeof result) _exit(1);
        _exit(0);
    }
    ::close(fds[1]);
    T result{};
    if (::read(fds[0], &result, sizeof result) != sizeof result)
        std::fprintf(stderr, "child failed\n");
    ::close(fds[0]);
    waitpid(pid, nullptr, 0);
    return result;
}

Figures our_change(const std::string& folder, const std::string& photo, int style) {
    int argc = 1;
    char name[] = "bench";
    char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    dezu::ProgramSite site;
    site.dir = folder + "/";
    dezu::settings::Settings settings(site.path("clock.ini"));
    if (!settings.set(dezu::settings::keys::kWallpaperDisplayMode, style)) std::exit(1);
    dezu::ui::DialogPrompts prompts;
    dezu::ui::FailureReporter failures(prompts);
    NoDesktop desktop;
    dezu::wallpaper::WallpaperRotator rotator(site, settings, desktop, failures);
    rotator.load_at_start();

    QEventLoop loop;
    QObject::connect(&rotator, &dezu::wallpaper::WallpaperRotator::change_finished, &loop,
                     &QEventLoop::quit);
    // A small change first, so that the picture plug-ins are loaded.
    QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(site.path("warm.jpg")), "JPG");
    rotator.replace_list({site.path("warm.jpg"), photo});
    rotator.set_current_index(0);
    rotator.change_wallpaper_on_timer();
    loop.exec();

    const long base = status_kib("VmRSS");
    static_cast<void>(reset_peak());  // the peak starts again here

    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    Figures f;
    beat.start(1);
    clock.start();
    qint64 started = 0;
    QTimer::singleShot(1000, [&] {
        f.idle_hold_ms = double(longest) / 1e6;
        longest = 0;
        started = clock.nsecsElapsed();
        rotator.change_wallpaper_on_timer();
        f.tick_ms = double(clock.nsecsElapsed() - started) / 1e6;
    });
    loop.exec();
    f.change_ms = double(clock.nsecsElapsed() - started) / 1e6;
    f.longest_hold_ms = double(longest) / 1e6;
    f.memory_mib = double(status_kib("VmHWM") - base) / 1024.0;
    return f;
}

// ImageMagick's convert with these arguments.
Figures convert_change(const std::string& convert, std::vector<std::string> arguments) {
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = fork();
    if (pid == 0) {
        arguments.insert(arguments.begin(), "convert");
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(convert.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Figures f;
    f.change_ms = double(clock.nsecsElapsed()) / 1e6;
    f.memory_mib = double(usage.ru_maxrss) / 1024.0;  // the whole process
    return f;
}

// What ImageMagick is asked to do in the change's place for the style: the
// part of the photo that the screen shows, got the plain way (a size hint
// lets its JPEG reader decode smaller, as ours does).
std::vector<std::string> shown_part(const std::string& photo, const std::string& out, QSize size,
                                    int style) {
    const QSize screen(kScreenWidth, kScreenHeight);
    const auto text = [](QSize s) {
        return std::to_string(s.width()) + "x" + std::to_string(s.height());
    };
    if (style == dezu::desktop::kCentre || style == dezu::desktop::kTile)
        return {photo,
                "-gravity",
                style == dezu::desktop::kCentre ? "center" : "northwest",
                "-crop",
                text(screen) + "+0+0",
                "+repage",
                out};
    const QSize covering = size.scaled(screen, Qt::KeepAspectRatioByExpanding);
    return {"-define", "jpeg:size=" + text(covering), photo, "-resize", text(covering) + "!", out};
}

// How a photo is saved: as Qt saves it, or saved again by ImageMagick.
struct Saving {
    const char* name;
    const char* file;  // what the file's name ends in
    bool full_chroma;
    bool progressive;
};

// The same picture saved again by ImageMagick.
bool save_again(const std::string& convert, const std::string& from, const Saving& saving,
                const std::string& to) {
    if (convert.empty()) return false;
    const pid_t pid = fork();
    if (pid == 0) {
        const char* sampling = saving.full_chroma ? "1x1" : "2x2";
        const char* interlace = saving.progressive ? "Plane" : "None";
        execl(convert.c_str(), "convert", from.c_str(), "-sampling-factor", sampling, "-interlace",
              interlace, to.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir temporary;
    const std::string folder = argc > 2 ? argv[2] : temporary.path().toStdString();
    const std::string convert =
        QStandardPaths::findExecutable(QStringLiteral("convert"), {QStringLiteral("/usr/bin")})
            .toStdString();
    const Saving by_qt{"420 base", ".jpg", false, false},
        progressive{"420 prog", "-progressive.jpg", false, true},
        full_chroma{"444 base", "-444.jpg", true, false},
        both{"444 prog", "-444-progressive.jpg", true, true};
    struct Case {
        int width, height;
        Saving saving;
        int style;
    };
    std::vector<Case> cases = {{4000, 3000, by_qt, dezu::desktop::kStretch},
                               {6000, 4000, by_qt, dezu::desktop::kStretch}};
    for (const int style : {dezu::desktop::kStretch, dezu::desktop::kCentre, dezu::desktop::kTile})
        for (const Saving& saving : {by_qt, progressive, full_chroma, both})
            cases.push_back({8000, 6000, saving, style});
    const char* const style_names[] = {"centre", "tile", "stretch"};

    std::printf("screen %dx%d\n", kScreenWidth, kScreenHeight);
    // Beside convert of the whole photo, as before, convert of what is shown.
    std::printf("%-4s %-8s %-7s %10s %10s %8s %10s %9s %9s | %11s %11s %6s | %8s %9s %6s\n", "MP",
                "jpeg", "style", "idle hold", "UI hold", "tick", "change ms", "peak MiB",
                "goal MiB", "convert ms", "convert MiB", "ratio", "shown ms", "shown MiB", "ratio");
    for (const Case& s : cases) {
        const std::string base =
            folder + "/photo" + std::to_string(s.width) + "x" + std::to_string(s.height);
        std::string photo = base + ".jpg";
        if (!QFile::exists(QString::fromStdString(photo)))
            in_child<int>([&] {
                make_photo(photo, s.width, s.height);
                return 0;
            });
        if (s.saving.full_chroma || s.saving.progressive) {
            const std::string again = base + s.saving.file;
            if (!QFile::exists(QString::fromStdString(again)) &&
                !save_again(convert, photo, s.saving, again))
                continue;
            photo = again;
        }
        std::vector<double> idle, holds, ticks, ours, memory, theirs, their_memory, shown,
            shown_memory;
        for (int run = 0; run < runs; ++run) {
            const Figures f = in_child<Figures>([&] { return our_change(folder, photo, s.style); });
            idle.push_back(f.idle_hold_ms);
            holds.push_back(f.longest_hold_ms);
            ticks.push_back(f.tick_ms);
            ours.push_back(f.change_ms);
            memory.push_back(f.memory_mib);
            if (!convert.empty()) {
                const std::string out = folder + "/convert.bmp";
                const Figures c = convert_change(convert, {photo, out});
                theirs.push_back(c.change_ms);
                their_memory.push_back(c.memory_mib);
                const Figures p = convert_change(
                    convert, shown_part(photo, out, QSize(s.width, s.height), s.style));
                shown.push_back(p.change_ms);
                shown_memory.push_back(p.memory_mib);
            }
        }
        // One decoded picture at 32 bits a pixel and its 24-bit BMP.
        const double pixels = double(s.width) * s.height;
        const double goal = (pixels * 4 + pixels * 3) / (1024.0 * 1024.0);
        const double their_time = theirs.empty() ? 0 : median(theirs);
        const double shown_time = shown.empty() ? 0 : median(shown);
        // The UI thread's holds: the median run's longest, in ms.
        std::printf(
            "%-4.0f %-8s %-7s %10.1f %10.1f %8.1f %10.0f %9.0f %9.0f | %11.0f %11.0f %6.2f | %8.0f "
            "%9.0f %6.2f\n",
            pixels / 1e6, s.saving.name, style_names[s.style], median(idle), median(holds),
            median(ticks), median(ours), *std::max_element(memory.begin(), memory.end()), goal,
            their_time, their_memory.empty() ? 0.0 : median(their_memory),
            their_time > 0 ? median(ours) / their_time : 0.0, shown_time,
            shown_memory.empty() ? 0.0 : median(shown_memory),
            shown_time > 0 ? median(ours) / shown_time : 0.0);
        std::fflush(stdout);
    }
    return 0;
}
