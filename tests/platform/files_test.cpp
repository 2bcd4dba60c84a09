#include "platform/files/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "support/program_dir.h"

namespace fs = std::filesystem;
using dezu::files::write_whole_file;

class WholeFileTest : public ProgramDirTest {
protected:
    mode_t mode_of(const std::string& name) const {
        struct stat info {};
        EXPECT_EQ(::stat(path(name).c_str(), &info), 0) << name;
        return info.st_mode & 07777;
    }
    // Everything in the folder: a write leaves no file of its own behind.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir()))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
};

// A replaced file keeps who may read it (a mail account book is its owner's
// alone), a link keeps pointing at the file it names, and a new file gets the
// usual permissions.
TEST_F(WholeFileTest, AReplacedFileKeepsItsPermissionsAndItsLinks) {
    write_file("private", "old");
    fs::permissions(path("private"), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(write_whole_file(path("private"), "new"));
    EXPECT_EQ(read_file("private"), "new");
    EXPECT_EQ(mode_of("private"), 0600u);

    write_file("target", "old");
    fs::create_symlink("target", path("link"));
    ASSERT_TRUE(write_whole_file(path("link"), "through the link"));
    EXPECT_TRUE(fs::is_symlink(path("link")));
    EXPECT_EQ(read_file("target"), "through the link");

    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(write_whole_file(path("fresh"), ""));
    EXPECT_EQ(mode_of("fresh"), 0666u & ~mask);
    EXPECT_EQ(read_file("fresh"), "");
    EXPECT_EQ(names(), (std::vector<std::string>{"fresh", "link", "private", "target"}));
}

// A write that cannot finish leaves the old file as it was, and nothing else.
TEST_F(WholeFileTest, AFailedOrAbandonedWriteLeavesTheOldFile) {
    write_file("list", "old");
    const dezu::files::WriteResult abandoned = write_whole_file(path("list"), [](int fd) {
        static_cast<void>(::write(fd, "half", 4));
        return false;
    });
    EXPECT_FALSE(abandoned);
    EXPECT_EQ(abandoned.error, ECANCELED);
    EXPECT_EQ(read_file("list"), "old");

    ASSERT_TRUE(dezu::files::make_directory(path("folder")));
    const dezu::files::WriteResult onto_folder = write_whole_file(path("folder"), "bytes");
    EXPECT_FALSE(onto_folder);
    EXPECT_NE(onto_folder.error, 0);
    EXPECT_TRUE(fs::is_directory(path("folder")));

    const dezu::files::WriteResult nowhere = write_whole_file(path("no such folder/list"), "x");
    EXPECT_EQ(nowhere.error, ENOENT);
    EXPECT_EQ(names(), (std::vector<std::string>{"folder", "list"}));
}

// A name as long as a name may be (255 bytes; Chinese names reach it at 85
// characters) is written whole too, though its temporary file cannot carry a
// suffix on top of it.
TEST_F(WholeFileTest, ANameOfTheLongestLengthIsWritten) {
    std::string longest;
    while (longest.size() + 3 <= 255) longest += "长";
    ASSERT_EQ(longest.size(), 255u);
    write_file(longest, "old");
    ASSERT_TRUE(write_whole_file(path(longest), "new"));
    EXPECT_EQ(read_file(longest), "new");
    EXPECT_EQ(names(), std::vector<std::string>{longest});
}
