#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/files/files.h"
#include "support/program_dir.h"

// The real program, started as a user starts it: from the folder it lives in.
class SingleCopyTest : public ProgramDirTest {
protected:
    void TearDown() override {
        for (auto& copy : copies_) {
            copy->kill();
            copy->waitForFinished(5000);
        }
        ProgramDirTest::TearDown();
    }

    // A folder holding the program and its settings; its path ends in "/".
    std::string program_folder(const std::string& name) const {
        std::string folder = path(name) + "/";
        std::filesystem::create_directories(folder + "config");
        std::filesystem::copy_file(DEZU_PROGRAM, folder + "dezu");
        // No start-up picture and no player: the rest of the start-up runs.
        EXPECT_TRUE(dezu::files::write_whole_file(
            folder + "clock.ini", "[系统参数]\r\n显示启动画面=N\r\n自动播放=N\r\n"));
        return folder;
    }

    QProcess* start_copy(const std::string& folder) {
        auto copy = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(folder + "config"));
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        copy->setProcessEnvironment(env);
        copy->setWorkingDirectory(QString::fromStdString(path("")));
        copy->setProgram(QString::fromStdString(folder + "dezu"));
        copy->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy->start();
        EXPECT_TRUE(copy->waitForStarted(5000));
        copies_.push_back(std::move(copy));
        return copies_.back().get();
    }

    // Whether the copy in that folder got through its start-up: it writes the
    // tray's icon file when there is none, and later its log-on entry.
    static bool started_up(const std::string& folder, int milliseconds = 30000) {
        const auto done = [&] {
            return dezu::files::file_exists(folder + "NET.ICO") &&
                   dezu::files::file_exists(folder + "config/autostart/Tools.desktop");
        };
        QDeadlineTimer deadline(milliseconds);
        while (!done() && !deadline.hasExpired()) QThread::msleep(50);
        return done();
    }

    static bool running(QProcess* copy) { return copy->state() == QProcess::Running; }

private:
    std::vector<std::unique_ptr<QProcess>> copies_;
};

TEST_F(SingleCopyTest, OneCopyPerFolder) {
    const std::string first = program_folder("first");
    const std::string other = program_folder("other");

    QProcess* running_copy = start_copy(first);
    ASSERT_TRUE(started_up(first)) << "the first copy did not start";
    // Its log-on entry names the program once, with one "/" before its name.
    EXPECT_NE(dezu::files::read_whole_file(first + "config/autostart/Tools.desktop")
                  .find("Exec=\"" + first + "dezu\"\n"),
              std::string::npos);

    // A second start from the same folder ends at once with 0 and touches
    // nothing: it would have written the icon file again.
    std::filesystem::remove(first + "NET.ICO");
    QProcess* second = start_copy(first);
    ASSERT_TRUE(second->waitForFinished(20000)) << "the second copy kept running";
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_FALSE(dezu::files::file_exists(first + "NET.ICO"));
    EXPECT_TRUE(running(running_copy));

    // A copy in another folder is a program of its own.
    QProcess* elsewhere = start_copy(other);
    EXPECT_TRUE(started_up(other));
    EXPECT_TRUE(running(elsewhere));
    EXPECT_TRUE(running(running_copy));

    // A copy that was killed leaves nothing that blocks the next start.
    running_copy->kill();
    ASSERT_TRUE(running_copy->waitForFinished(5000));
    EXPECT_TRUE(dezu::files::file_exists(first + ".dezu.lock"));
    QProcess* next = start_copy(first);
    EXPECT_TRUE(started_up(first)) << "a stale lock blocked the start";
    EXPECT_TRUE(running(next));
}
