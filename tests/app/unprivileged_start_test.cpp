#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/text/text.h"
#include "support/iconv.h"
#include "support/program_dir.h"
#include "support/tools.h"

namespace fs = std::filesystem;

namespace {

// The processes whose program file is this one (not counting the ended).
std::vector<pid_t> copies_of(const std::string& program) {
    std::vector<pid_t> pids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        char target[4096];
        const ssize_t n = ::readlink(("/proc/" + name + "/exe").c_str(), target, sizeof target);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == program)
            pids.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return pids;
}

// A process started by fork and exec, so that a path whose bytes are no
// UTF-8 reaches the system as it is (QProcess takes text).
class Started {
public:
    Started(std::vector<std::string> argv, std::vector<std::string> environment,
            const std::string& folder) {
        std::vector<char*> args, env;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        for (auto& e : environment) env.push_back(e.data());
        env.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(folder.c_str()) == 0) ::execve(args[0], args.data(), env.data());
            ::_exit(127);
        }
    }
    ~Started() {
        if (!ended_) {
            ::kill(pid_, SIGKILL);
            wait_for_end(5000);
        }
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    bool started() const { return pid_ > 0; }
    bool running() { return !wait_for_end(0); }
    void signal(int number) const { ::kill(pid_, number); }
    // True once it has ended; its exit code is then known.
    bool wait_for_end(int milliseconds) {
        if (ended_ || pid_ <= 0) return true;
        QDeadlineTimer deadline(milliseconds);
        for (;;) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            }
            if (deadline.hasExpired()) return false;
            QThread::msleep(20);
        }
    }
    int exit_code() const { return exit_code_; }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int exit_code_ = -1;
};

}  // namespace

// The real program started as a user who is not root, from folders of the
// kinds users have: a name unpacked from a Chinese archive, a folder the
// user may not write. Root may write anywhere, so a test run as root starts
// the program as "nobody".
class UnprivilegedStartTest : public ProgramDirTest {
protected:
    void SetUp() override {
        ProgramDirTest::SetUp();
        as_root_ = ::geteuid() == 0;
        if (as_root_) {
            const passwd* nobody = ::getpwnam("nobody");
            setpriv_ = QStandardPaths::findExecutable(QStringLiteral("setpriv")).toStdString();
            if (!nobody || setpriv_.empty()) GTEST_SKIP() << "no user nobody, or no setpriv";
            uid_ = nobody->pw_uid;
            gid_ = nobody->pw_gid;
            // The user must reach the test's folder.
            for (fs::path p = dir(); p != p.root_path(); p = p.parent_path()) {
                struct stat info {};
                if (p == fs::path(dir())) ::chmod(p.c_str(), 0755);
                if (::stat(p.c_str(), &info) != 0 || !(info.st_mode & S_IXOTH))
                    GTEST_SKIP() << p << " cannot be passed by other users";
            }
        }
        work_ = user_folder("work");
        home_ = user_folder("home");
        runtime_ = user_folder("runtime", 0700);
        temporary_ = user_folder("tmp");
    }

    void TearDown() override {
        for (pid_t pid : copies_of(program_)) ::kill(pid, SIGKILL);
        started_.clear();
        // A folder the user could not write is removed like the others.
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir(), ec))
            ::chmod(entry.path().c_str(), 0755);
        ProgramDirTest::TearDown();
    }

    // A folder of the test that the user owns.
    std::string user_folder(const std::string& name, mode_t mode = 0755) const {
        const std::string folder = path(name);
        fs::create_directories(folder);
        ::chmod(folder.c_str(), mode);
        if (as_root_) {
            EXPECT_EQ(::chown(folder.c_str(), uid_, gid_), 0);
        }
        return folder;
    }

    // A folder holding the program and its settings file, as GBK text;
    // its path ends in "/". The user may write it only when it says so.
    std::string program_folder(const std::string& name, const std::string& ini, bool writable) {
        const std::string folder = path(name) + "/";
        fs::create_directories(folder);
        fs::copy_file(DEZU_PROGRAM, folder + "dezu");
        EXPECT_TRUE(dezu::files::write_whole_file(folder + "clock.ini", gbk(ini)));
        program_ = folder + "dezu";
        if (writable && as_root_) {
            for (const std::string& f : {folder, folder + "clock.ini"})
                EXPECT_EQ(::chown(f.c_str(), uid_, gid_), 0);
        }
        // Root's own folder is read-only to the user already.
        if (!writable && !as_root_) ::chmod(folder.c_str(), 0555);
        return folder;
    }

    std::vector<std::string> environment(bool with_runtime_folder = true) const {
        std::vector<std::string> env = {"PATH=/usr/bin:/bin",
                                        "LANG=C.UTF-8",
                                        "HOME=" + home_,
                                        "XDG_CONFIG_HOME=" + home_ + "/config",
                                        "XDG_CACHE_HOME=" + home_ + "/cache",
                                        "TMPDIR=" + temporary_,
                                        "QT_QPA_PLATFORM=offscreen",
                                        "ASAN_OPTIONS=detect_leaks=0"};
        if (with_runtime_folder) env.push_back("XDG_RUNTIME_DIR=" + runtime_);
        return env;
    }

    // Runs the command as the user, from the work folder.
    Started& run_as_user(std::vector<std::string> command, bool with_runtime_folder = true) {
        if (as_root_) {
            command.insert(command.begin(),
                           {setpriv_, "--reuid=" + std::to_string(uid_),
                            "--regid=" + std::to_string(gid_), "--clear-groups", "--"});
        }
        started_.push_back(
            std::make_unique<Started>(command, environment(with_runtime_folder), work_));
        EXPECT_TRUE(started_.back()->started());
        return *started_.back();
    }
    Started& start_copy(bool with_runtime_folder = true) {
        return run_as_user({program_}, with_runtime_folder);
    }

    std::string entry() const { return home_ + "/config/autostart/Tools.desktop"; }

    // Every file under the test's folder with one of the names the program
    // makes, by its path.
    std::set<std::string> program_files() const {
        std::set<std::string> found;
        for (const auto& f : fs::recursive_directory_iterator(dir())) {
            const std::string name = f.path().filename().string();
            if (name == "NET.ICO" || name == ".dezu.lock" || name.starts_with("WALLPAPER") ||
                (name.starts_with("dezu-") && name.ends_with(".lock")))
                found.insert(f.path().string());
        }
        return found;
    }

    bool as_root_ = false;
    uid_t uid_ = ::getuid();
    gid_t gid_ = ::getgid();
    std::string setpriv_;
    std::string work_, home_, runtime_, temporary_;
    std::string program_;
    std::vector<std::unique_ptr<Started>> started_;
};

TEST_F(UnprivilegedStartTest, AFolderNamedInGbkIsTheProgramsFolder) {
    const std::string gio = QStandardPaths::findExecutable(QStringLiteral("gio")).toStdString();
    const std::string convert =
        QStandardPaths::findExecutable(QStringLiteral("convert")).toStdString();
    if (gio.empty() || convert.empty()) GTEST_SKIP() << "gio or ImageMagick is missing";
    const std::string name = gbk("工具");
    ASSERT_EQ(name, "\xB9\xA4\xBE\xDF");
    ASSERT_FALSE(dezu::text::is_valid_utf8(name));

    // The settings change the wallpaper every 0.6 s: a wallpaper file in the
    // folder shows that its settings and list were read, and where the
    // program makes its files.
    const std::string folder = program_folder(name,
                                              "[系统参数]\r\n显示启动画面=N\r\n自动播放=N\r\n"
                                              "[更换壁纸]\r\n自动更换=Y\r\n间隔时间=0.01\r\n",
                                              true);
    const std::string picture = path("pictures/red.png");
    fs::create_directories(path("pictures"));
    ASSERT_TRUE(run_tool("convert", {QStringLiteral("-size"), QStringLiteral("40x30"),
                                     QStringLiteral("xc:red"), QString::fromStdString(picture)}));
    ASSERT_TRUE(dezu::files::write_whole_file(folder + "WALLAB.INI", picture + "\r\n"));

    Started& first = start_copy();
    const auto made = [&] {
        return dezu::files::file_exists(folder + "NET.ICO") &&
               dezu::files::file_exists(folder + ".dezu.lock") &&
               dezu::files::file_exists(folder + "WALLPAPER.BMP") &&
               dezu::files::file_exists(entry());
    };
    ASSERT_TRUE(wait_until(made, 30000)) << "the program did not make its files in its folder";
    // Nothing of the program is made anywhere else: not in the folder it was
    // started from, nor in the runtime folder. The one exception is the
    // UTF-8 name of the picture that a desktop keeping text is handed.
    const std::string hand_over = home_ + "/.local/share/dezu/wallpaper-";
    for (const std::string& file : program_files())
        EXPECT_TRUE(file.starts_with(folder) || file.starts_with(hand_over)) << file;
    EXPECT_TRUE(fs::is_empty(work_));

    // A second copy from the folder ends at once.
    Started& second = start_copy();
    ASSERT_TRUE(second.wait_for_end(20000)) << "a second copy runs";
    EXPECT_EQ(second.exit_code(), 0);
    EXPECT_TRUE(first.running());
    first.signal(SIGTERM);
    ASSERT_TRUE(first.wait_for_end(20000));
    EXPECT_EQ(first.exit_code(), 0);

    // The log-on entry is UTF-8 text, as a desktop entry must be, and a
    // desktop's own launcher starts this program from it.
    const std::string text = dezu::files::read_whole_file(entry());
    EXPECT_TRUE(dezu::text::is_valid_utf8(text)) << text;
    fs::remove(folder + "NET.ICO");
    Started& launcher = run_as_user({gio, "launch", entry()});
    EXPECT_TRUE(launcher.wait_for_end(20000));
    EXPECT_TRUE(wait_until([&] { return dezu::files::file_exists(folder + "NET.ICO"); }, 30000))
        << "the log-on entry does not start the program:\n"
        << text;
    EXPECT_EQ(copies_of(program_).size(), 1u);
}

TEST_F(UnprivilegedStartTest, OneCopyPerFolderInAFolderTheUserCannotWrite) {
    struct Case {
        const char* folder;
        bool with_runtime_folder;  // else the lock goes to the temporary folder
    };
    for (const Case c : {Case{"read-only", true}, Case{"read-only-no-runtime", false}}) {
        SCOPED_TRACE(c.folder);
        fs::remove_all(home_ + "/config");
        const std::string folder =
            program_folder(c.folder, "[系统参数]\r\n显示启动画面=N\r\n自动播放=N\r\n", false);

        Started& first = start_copy(c.with_runtime_folder);
        ASSERT_TRUE(wait_until([&] { return dezu::files::file_exists(entry()); }, 30000))
            << "the first copy did not start";
        Started& second = start_copy(c.with_runtime_folder);
        ASSERT_TRUE(second.wait_for_end(20000)) << "a second copy runs";
        EXPECT_EQ(second.exit_code(), 0);
        EXPECT_TRUE(first.running());

        // The lock that decided is the user's own, in the runtime folder.
        const std::string place = c.with_runtime_folder ? runtime_ : temporary_;
        std::set<std::string> locks;
        for (const std::string& file : program_files())
            if (file.starts_with(place + "/dezu-")) locks.insert(file);
        EXPECT_EQ(locks.size(), 1u);
        EXPECT_FALSE(dezu::files::file_exists(folder + ".dezu.lock"));
        first.signal(SIGTERM);
        EXPECT_TRUE(first.wait_for_end(20000));
        fs::remove_all(runtime_);
        runtime_ = user_folder("runtime", 0700);
    }
}

TEST_F(UnprivilegedStartTest, AnotherUsersCopyInAFolderTheUserCannotWriteLetsTheUsersOwnStart) {
    const std::string folder =
        program_folder("shared", "[系统参数]\r\n显示启动画面=N\r\n自动播放=N\r\n", false);
    // The folder's owner runs a copy from it, which holds the folder's own
    // lock file. Run as root, that is root's real copy; otherwise the test
    // holds the lock as the owner's copy would.
    std::optional<Started> owners;
    int held = -1;
    if (as_root_) {
        const std::string home = path("owner-home");
        fs::create_directories(home);
        std::vector<std::string> env = {"PATH=/usr/bin:/bin",
                                        "LANG=C.UTF-8",
                                        "HOME=" + home,
                                        "XDG_CONFIG_HOME=" + home + "/config",
                                        "XDG_CACHE_HOME=" + home + "/cache",
                                        "QT_QPA_PLATFORM=offscreen",
                                        "ASAN_OPTIONS=detect_leaks=0"};
        owners.emplace(std::vector<std::string>{program_}, env, dir());
        ASSERT_TRUE(wait_until(
            [&] { return dezu::files::file_exists(home + "/config/autostart/Tools.desktop"); },
            30000))
            << "the owner's copy did not start";
        ASSERT_TRUE(dezu::files::file_exists(folder + ".dezu.lock"));
    } else {
        ::chmod(folder.c_str(), 0755);
        held = ::open((folder + ".dezu.lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
        ::chmod(folder.c_str(), 0555);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    }

    // The user's first copy starts; a second of the user's ends at once.
    Started& first = start_copy();
    EXPECT_TRUE(wait_until([&] { return dezu::files::file_exists(entry()); }, 30000))
        << "the user's copy did not start beside the owner's";
    EXPECT_TRUE(first.running());
    Started& second = start_copy();
    ASSERT_TRUE(second.wait_for_end(20000)) << "a second copy of the user's runs";
    EXPECT_EQ(second.exit_code(), 0);
    EXPECT_TRUE(first.running());
    if (owners) {
        EXPECT_TRUE(owners->running());
    }
    std::set<std::string> locks;
    for (const std::string& file : program_files())
        if (file.starts_with(runtime_ + "/dezu-")) locks.insert(file);
    EXPECT_EQ(locks.size(), 1u);
    if (held >= 0) ::close(held);
}
