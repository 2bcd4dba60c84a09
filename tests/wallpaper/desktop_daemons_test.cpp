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
#include <optional>
#include <string>

#include "platform/desktop/desktop_setter.h"
#include "platform/desktop/desktop_wallpaper.h"
#include "platform/settings/settings.h"
#include "platform/ui/failures.h"
#include "support/scripted_prompts.h"
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
        for (const char* sub : {"config", "runtime", "cache", "program"})
            ASSERT_TRUE(QDir(dir_.path()).mkpath(QString::fromLatin1(sub)));
        QFile::setPermissions(dir_.path() + "/runtime", QFileDevice::ReadOwner |
                                                            QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
        // The daemons keep what they are told here, never in the user's own files.
        env_.emplace_back(std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", path("config")));
        env_.emplace_back(std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", path("runtime")));
        env_.emplace_back(std::make_unique<ScopedEnv>("XDG_CACHE_HOME", path("cache")));
        env_.emplace_back(std::make_unique<ScopedEnv>("GSETTINGS_BACKEND", "dconf"));
        env_.emplace_back(std::make_unique<ScopedEnv>("DISPLAY", std::nullopt));
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
        env_.emplace_back(std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS",
                                                      address.trimmed().toStdString()));
        env_.emplace_back(std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_PID", std::nullopt));
    }
    void TearDown() override {
        bus_.terminate();
        bus_.waitForFinished(3000);
        env_.clear();
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
    // rotator, handed to the desktop's real setting.
    void three_changes() {
        dezu::ProgramSite site;
        site.dir = path("program") + "/";
        site.file_name = "dezu";
        std::string list;
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
        for (int i = 0; i < 3; ++i) {
            QImage photo(64, 48, QImage::Format_RGB32);
            photo.fill(colours[i]);
            const std::string file = site.path("photo" + std::to_string(i) + ".jpg");
            ASSERT_TRUE(photo.save(QString::fromStdString(file), "JPG"));
            list += file + "\n";
        }
        QFile list_file(QString::fromStdString(site.path("WALLAB.INI")));
        ASSERT_TRUE(list_file.open(QIODevice::WriteOnly));
        list_file.write(list.c_str());
        list_file.close();
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
        }
        EXPECT_EQ(taken, 3);
    }

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
