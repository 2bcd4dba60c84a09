// The desktops' own settings daemons, run for real on a session bus of the
// test's own: dconf with the desktops' schemas, as GNOME and MATE keep their
// settings, and xfconfd, as XFCE does.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/desktop/desktop_setter.h"
#include "platform/desktop/desktop_wallpaper.h"
#include "platform/files/files.h"
#include "platform/settings/settings.h"
#include "platform/text/text.h"
#include "platform/ui/failures.h"
#include "support/iconv.h"
#include "support/scripted_prompts.h"
#include "support/tools.h"
#include "wallpaper/wallpaper_rotator.h"

namespace {

// Sets an environment variable for the test's life.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A program left running, whose output lines the test reads as they come.
class Watcher {
public:
    void start(const QString& program, const QStringList& arguments) {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(program, arguments);
        process_.waitForStarted(5000);
    }
    ~Watcher() {
        process_.kill();
        process_.waitForFinished(3000);
    }
    // The lines so far that contain the text.
    int count(const QString& text) {
        process_.waitForReadyRead(50);
        output_ += QString::fromUtf8(process_.readAll());
        return int(output_.split(QLatin1Char('\n')).filter(text).size());
    }
    // Waits until that many lines contain the text.
    bool wait_for(const QString& text, int lines, int ms = 10000) {
        QDeadlineTimer deadline(ms);
        while (count(text) < lines && !deadline.hasExpired()) {
        }
        return count(text) >= lines;
    }
    QString output() const { return output_; }

private:
    QProcess process_;
    QString output_;
};

class DesktopDaemonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const char* sub : {"config", "runtime", "cache", "data", "program"})
            ASSERT_TRUE(QDir(dir_.path()).mkpath(QString::fromLatin1(sub)));
        QFile::setPermissions(dir_.path() + "/runtime", QFileDevice::ReadOwner |
                                                            QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
        // The daemons keep what they are told here, never in the user's own files.
        env_.emplace_back(std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", path("config")));
        env_.emplace_back(std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", path("runtime")));
        env_.emplace_back(std::make_unique<ScopedEnv>("XDG_CACHE_HOME", path("cache")));
        env_.emplace_back(std::make_unique<ScopedEnv>("XDG_DATA_HOME", path("data")));
        env_.emplace_back(std::make_unique<ScopedEnv>("GSETTINGS_BACKEND", "dconf"));
        env_.emplace_back(std::make_unique<ScopedEnv>("DISPLAY", std::nullopt));
        env_.emplace_back(std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", std::nullopt));
        env_.emplace_back(std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_PID", std::nullopt));
        start_bus();
    }
    void TearDown() override {
        stop_bus();
        env_.clear();
        // By the names' bytes: QTemporaryDir cannot remove a name that is no UTF-8.
        std::error_code ec;
        std::filesystem::remove_all(dir_.path().toStdString(), ec);
    }

    void start_bus() {
        bus_.setProcessChannelMode(QProcess::SeparateChannels);
        bus_.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1"),
                    QStringLiteral("--address=unix:path=") + dir_.path() + "/bus"});
        ASSERT_TRUE(bus_.waitForStarted(5000)) << "dbus-daemon is not installed";
        QByteArray address;
        while (!address.contains('\n') && bus_.waitForReadyRead(5000))
            address += bus_.readAllStandardOutput();
        ASSERT_FALSE(address.trimmed().isEmpty()) << "the session bus did not start";
        setenv("DBUS_SESSION_BUS_ADDRESS", address.trimmed().constData(), 1);
    }
    void stop_bus() {
        bus_.terminate();
        bus_.waitForFinished(3000);
    }
    // The user logs out and in again: the bus and the daemons on it end, the
    // runtime folder goes, and what the daemons stored is read anew.
    void restart_session() {
        stop_bus();
        std::filesystem::remove_all(path("runtime"));
        std::filesystem::create_directory(path("runtime"));
        std::filesystem::permissions(path("runtime"), std::filesystem::perms::owner_all);
        start_bus();
    }

    std::string path(const std::string& name) const {
        return dir_.path().toStdString() + "/" + name;
    }

    // Runs a command; its output, or nothing when it fails.
    static std::optional<QString> run(const QString& program, const QStringList& arguments) {
        QProcess p;
        p.start(program, arguments);
        if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    static bool have(const char* program) {
        return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
    }

    // Three different photos put on the desktop by three ticks of a real
    // rotator, handed to the desktop's real setting; the check runs after
    // each. Each photo is made by ImageMagick under a UTF-8 name and then
    // given its name in the program folder by its bytes.
    void three_changes(const std::string& folder = "program",
                       const std::vector<std::string>& names = {"photo0.jpg", "photo1.jpg",
                                                                "photo2.jpg"},
                       const std::function<void(int)>& check = nullptr) {
        ASSERT_TRUE(have("convert")) << "ImageMagick is not installed";
        dezu::ProgramSite site;
        site.dir = path(folder) + "/";
        site.file_name = "dezu";
        ASSERT_TRUE(dezu::files::make_directory(site.dir));
        std::string list;
        for (int i = 0; i < 3; ++i) {
            const std::string made = path("made" + names[i].substr(names[i].rfind('.')));
            ASSERT_TRUE(run_tool("convert", {"-size", "64x48", "xc:" + kColours[i].name(),
                                             QString::fromStdString(made)}));
            const std::string file = site.path(names[i]);
            std::filesystem::rename(made, file);
            list += file + "\n";
        }
        ASSERT_TRUE(dezu::files::write_whole_file(site.path("WALLAB.INI"), list));
        dezu::settings::Settings settings(site.path("clock.ini"));
        ScriptedPrompts prompts;
        dezu::ui::FailureReporter failures(prompts);
        dezu::desktop::LiveDesktop desktop;
        dezu::wallpaper::WallpaperRotator rotator(site, settings, desktop, failures);
        rotator.load_at_start();
        int taken = 0;
        QObject::connect(&rotator, &dezu::wallpaper::WallpaperRotator::change_finished,
                         [&](const dezu::wallpaper::ChangeResult& r) { taken += r.taken; });
        for (int i = 0; i < 3; ++i) {
            rotator.change_wallpaper_on_timer();
            QDeadlineTimer deadline(20000);
            while (rotator.busy() && !deadline.hasExpired()) QThread::msleep(5);
            QCoreApplication::processEvents();
            if (check) check(i);
        }
        EXPECT_EQ(taken, 3);
    }

    // The picture file a desktop keeps, as the desktop reads it.
    static std::string stored_picture(const std::string& desktop) {
        if (desktop == "MATE") {
            const QString value =
                run("gsettings", {"get", "org.mate.background", "picture-filename"})
                    .value_or(QString());
            return value.mid(1, value.size() - 2).toStdString();  // less the quotes
        }
        return run("xfconf-query", {"-c", "xfce4-desktop", "-p", kXfceImage})
            .value_or(QString())
            .toStdString();
    }

    // Whether the file shows the colour, as a desktop that reads it would.
    static bool shows(const std::string& file, QColor colour) {
        const QImage picture(QString::fromStdString(file));
        if (picture.isNull()) return false;
        const QColor middle = picture.pixelColor(picture.width() / 2, picture.height() / 2);
        return std::abs(middle.red() - colour.red()) < 12 &&
               std::abs(middle.green() - colour.green()) < 12 &&
               std::abs(middle.blue() - colour.blue()) < 12;
    }

    // A program folder whose name is GBK, as an archive made on Windows
    // unpacks: every change, a converted photo's and a listed BMP's, reaches
    // the desktop's store as a UTF-8 name of the very picture, in the user's
    // data folder, and the store still names it after the session restarts.
    // A name in other bytes is refused, and the store keeps what it held.
    void gbk_program_folder(const std::string& desktop) {
        ScopedEnv current("XDG_CURRENT_DESKTOP", desktop);
        const std::string folder = gbk("程序");
        three_changes(folder, {gbk("春") + ".jpg", gbk("夏") + ".JPG", gbk("秋") + ".bmp"},
                      [&](int i) {
                          const std::string stored = stored_picture(desktop);
                          SCOPED_TRACE(std::to_string(i) + " " + stored);
                          EXPECT_TRUE(dezu::text::is_valid_utf8(stored));
                          EXPECT_EQ(stored.rfind(path("data") + "/", 0), 0u);
                          // A fresh start stands on entry 1: the first tick sets entry 2.
                          EXPECT_TRUE(shows(stored, kColours[(i + 1) % 3]));
                      });
        const std::string last = stored_picture(desktop);
        restart_session();
        EXPECT_EQ(stored_picture(desktop), last);
        EXPECT_TRUE(shows(last, kColours[0])) << last;

        EXPECT_FALSE(dezu::desktop::set_desktop_wallpaper(path(folder + "/" + gbk("春") + ".jpg"),
                                                          dezu::desktop::kTile));
        EXPECT_EQ(stored_picture(desktop), last);
    }

    static inline const QColor kColours[] = {QColor(220, 30, 30), QColor(30, 200, 30),
                                             QColor(30, 30, 220)};
    static inline const QString kXfceImage =
        QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image");

    QTemporaryDir dir_;
    QProcess bus_;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
};

}  // namespace

TEST_F(DesktopDaemonTest, GnomeSeesEveryChange) {
    ASSERT_TRUE(have("gsettings")) << "gsettings (libglib2.0-bin) is not installed";
    ASSERT_TRUE(run("gsettings", {"list-keys", "org.gnome.desktop.background"}))
        << "GNOME's schemas (gsettings-desktop-schemas) are not installed";
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "GNOME");
    Watcher watch;
    watch.start("gsettings", {"monitor", "org.gnome.desktop.background", "picture-uri"});
    // The watcher listens once it has seen a change of its own.
    for (int i = 0; i < 50 && watch.count("primed") == 0; ++i)
        run("gsettings", {"set", "org.gnome.desktop.background", "picture-uri",
                          QStringLiteral("'file:///primed%1'").arg(i)});
    ASSERT_GT(watch.count("primed"), 0)
        << "dconf-service did not answer: " << watch.output().toStdString();
    const int before = watch.count("picture-uri");
    three_changes();
    EXPECT_TRUE(watch.wait_for("picture-uri", before + 3)) << watch.output().toStdString();
    EXPECT_FALSE(watch.wait_for("picture-uri", before + 4, 300)) << watch.output().toStdString();
    const QString shown = run("gsettings", {"get", "org.gnome.desktop.background", "picture-uri"})
                              .value_or(QString());
    EXPECT_TRUE(shown.contains("WALLPAPER1.BMP")) << shown.toStdString();
    EXPECT_EQ(run("gsettings", {"get", "org.gnome.desktop.background", "picture-options"}),
              QStringLiteral("'stretched'"));
}

TEST_F(DesktopDaemonTest, XfceSeesEveryChange) {
    ASSERT_TRUE(have("xfconf-query")) << "xfconf is not installed";
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "XFCE");
    Watcher watch;
    watch.start("xfconf-query", {"-c", "xfce4-desktop", "-m"});
    const QString image = "/backdrop/screen0/monitor0/workspace0/last-image";
    for (int i = 0; i < 50 && watch.count("/primed") == 0; ++i)
        run("xfconf-query",
            {"-c", "xfce4-desktop", "-p", "/primed", "-n", "-t", "int", "-s", QString::number(i)});
    ASSERT_GT(watch.count("/primed"), 0)
        << "xfconfd did not answer: " << watch.output().toStdString();
    three_changes();
    EXPECT_TRUE(watch.wait_for(image, 3)) << watch.output().toStdString();
    EXPECT_FALSE(watch.wait_for(image, 4, 300)) << watch.output().toStdString();
    EXPECT_EQ(run("xfconf-query", {"-c", "xfce4-desktop", "-p", image}),
              QString::fromStdString(path("program/WALLPAPER1.BMP")));
}

TEST_F(DesktopDaemonTest, MateClearsItsPictureWithItsOwnSchema) {
    ASSERT_TRUE(run("gsettings", {"list-keys", "org.mate.background"}))
        << "MATE's schemas (mate-desktop-common) are not installed";
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "MATE");
    const QString picture = QString::fromStdString(path("it's mine.bmp"));
    const struct Case {
        bool clear;
        int style;
        const char* options;
    } cases[] = {
        {false, dezu::desktop::kTile, "'wallpaper'"},
        {false, dezu::desktop::kCentre, "'centered'"},
        {true, dezu::desktop::kStretch, "'centered'"},  // the style stays as it was
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.clear) + " " + std::to_string(c.style));
        EXPECT_TRUE(
            dezu::desktop::set_desktop_wallpaper(c.clear ? "" : picture.toStdString(), c.style));
        const QString file = run("gsettings", {"get", "org.mate.background", "picture-filename"})
                                 .value_or("<failed>");
        if (c.clear)
            EXPECT_EQ(file, QStringLiteral("''"));
        else
            EXPECT_TRUE(file.contains(picture)) << file.toStdString();
        EXPECT_EQ(run("gsettings", {"get", "org.mate.background", "picture-options"}),
                  QString::fromLatin1(c.options));
    }
}

TEST_F(DesktopDaemonTest, MateIsHandedAUtf8NameOfAPictureInAGbkFolder) {
    ASSERT_TRUE(run("gsettings", {"list-keys", "org.mate.background"}))
        << "MATE's schemas (mate-desktop-common) are not installed";
    gbk_program_folder("MATE");
}

TEST_F(DesktopDaemonTest, XfceIsHandedAUtf8NameOfAPictureInAGbkFolder) {
    ASSERT_TRUE(have("xfconf-query")) << "xfconf is not installed";
    gbk_program_folder("XFCE");
}
