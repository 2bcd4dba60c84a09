// Preloaded into a program (LD_PRELOAD), makes it run as on a file system
// without Unix modes: every fchmod fails with the error numbered by
// DEZU_FCHMOD_ERROR (ENOSYS, as FAT under FUSE answers, when unset). Each
// failed call appends a byte to the file DEZU_FCHMOD_LOG names, so that a
// test knows the calls were made.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

int fchmod(int, mode_t) noexcept {
    const char* error = std::getenv("DEZU_FCHMOD_ERROR");
    const char* log = std::getenv("DEZU_FCHMOD_LOG");
    if (log && *log) {
        const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t written = ::write(fd, "x", 1);
            ::close(fd);
        }
    }
    errno = error && *error ? std::atoi(error) : ENOSYS;
    return -1;
}
