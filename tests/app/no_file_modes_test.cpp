#include "support/no_file_modes.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/files/files.h"
#include "support/iconv.h"
#include "support/program_dir.h"
#include "support/tools.h"

// The real program run from a folder whose file system keeps no Unix modes,
// as a portable program on a USB stick is: every change of a file's mode
// fails there, while files are written, synced and renamed as anywhere.
class NoFileModesTest : public ProgramDirTest {
protected:
    void TearDown() override {
        program_.kill();
        program_.waitForFinished(5000);
        ProgramDirTest::TearDown();
    }

    QProcess program_;
};

TEST_F(NoFileModesTest, ATimedWallpaperChangeSavesItsPositionInTheSettingsFile) {
    const std::string pictures = path("pictures");
    std::filesystem::create_directories(pictures);
    std::string list;
    for (const char* colour : {"red", "blue"}) {
        const std::string picture = pictures + "/" + colour + ".png";
        ASSERT_TRUE(run_tool("convert", {"-size", "40x30", QString("xc:") + colour,
                                         QString::fromStdString(picture)}))
            << "ImageMagick could not draw " << picture;
        list += picture + "\r\n";
    }

    for (const int error : kNoModeErrors) {
        SCOPED_TRACE(std::strerror(error));
        const std::string folder = path("stick" + std::to_string(error)) + "/";
        std::filesystem::create_directories(folder + "config");
        std::filesystem::copy_file(DEZU_PROGRAM, folder + "dezu");
        // The wallpaper changes every 0.6 s from the first picture on.
        ASSERT_TRUE(dezu::files::write_whole_file(
            folder + "clock.ini", gbk("[系统参数]\r\n显示启动画面=N\r\n自动播放=N\r\n"
                                      "[更换壁纸]\r\n自动更换=Y\r\n间隔时间=0.01\r\n"
                                      "当前壁纸=1\r\n")));
        ASSERT_TRUE(dezu::files::write_whole_file(folder + "WALLAB.INI", list));

        const std::string log = folder + "../fchmod" + std::to_string(error) + ".log";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(folder + "config"));
        program_.setProcessEnvironment(without_file_modes(env, error, log));
        program_.setWorkingDirectory(QString::fromStdString(dir()));
        program_.setProgram(QString::fromStdString(folder + "dezu"));
        program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program_.start();
        ASSERT_TRUE(program_.waitForStarted(5000));

        const auto saved = [&] {
            return dezu::files::read_whole_file(folder + "clock.ini").find(gbk("当前壁纸=2\r\n")) !=
                   std::string::npos;
        };
        EXPECT_TRUE(wait_until(saved, 30000))
            << "the new position did not reach the settings file:\n"
            << dezu::files::read_whole_file(folder + "clock.ini");
        EXPECT_EQ(program_.state(), QProcess::Running);
        // The file system did refuse the program's mode changes.
        EXPECT_FALSE(dezu::files::read_whole_file(log).empty());
        // The settings keep the rest of what they held, and once the program
        // has ended no temporary copy of them is left beside them.
        program_.terminate();
        ASSERT_TRUE(program_.waitForFinished(20000));
        EXPECT_EQ(program_.exitCode(), 0);
        const std::string settings = dezu::files::read_whole_file(folder + "clock.ini");
        EXPECT_NE(settings.find(gbk("[系统参数]\r\n显示启动画面=N\r\n自动播放=N\r\n")),
                  std::string::npos);
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            EXPECT_FALSE(entry.path().filename().string().starts_with("clock.ini.tmp"))
                << entry.path();
    }
}
