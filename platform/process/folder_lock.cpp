#include "platform/process/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace dezu::process {
namespace {

struct Attempt {
    int fd = -1;
    FolderLock::State state = FolderLock::State::Unavailable;
};

// Opens the file, making it when missing, and locks it without waiting.
// Read-only is enough for flock. Not inherited by the programs we start, or
// they would keep the folder locked after we end.
Attempt try_lock(const std::string& path, bool shared_folder) {
    // In a folder that others can write, only our own file may decide:
    // anyone else's could keep us from starting.
    const int flags = O_RDONLY | O_CREAT | O_CLOEXEC | (shared_folder ? O_NOFOLLOW : 0);
    const int fd = ::open(path.c_str(), flags, shared_folder ? 0600 : 0644);
    if (fd < 0) return {};
    struct stat info {};
    if (shared_folder &&
        (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())) {
        ::close(fd);
        return {};
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return {fd, FolderLock::State::Held};
    const bool elsewhere = errno == EWOULDBLOCK;
    ::close(fd);
    return {-1, elsewhere ? FolderLock::State::HeldElsewhere : FolderLock::State::Unavailable};
}

std::string runtime_folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime == '/' ? runtime : std::string();
}

std::string temporary_folder() {
    std::error_code ec;
    const std::string temporary = std::filesystem::temp_directory_path(ec).string();
    return ec || temporary.empty() ? "/tmp" : temporary;
}

// The file that stands for the folder in the runtime folder: one per user and
// folder.
std::string stand_in_path(const std::string& runtime_folder, const std::string& folder) {
    // FNV-1a: the same name for the same folder in every build.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : folder) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char name[64];
    std::snprintf(name, sizeof name, "/dezu-%u-%016llx.lock", static_cast<unsigned>(::geteuid()),
                  static_cast<unsigned long long>(hash));
    return runtime_folder + name;
}

}  // namespace

FolderLock::FolderLock(const std::string& folder) {
    // In a folder this user cannot write, the file would be shared by every
    // user who can read it: another user's copy would keep this one from
    // starting. Each user's own stand-in decides there instead.
    Attempt attempt;
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) == 0)
        attempt = try_lock(folder + kFileName, false);
    for (const std::string& place : {runtime_folder(), temporary_folder()}) {
        if (attempt.state != State::Unavailable) break;
        if (!place.empty()) attempt = try_lock(stand_in_path(place, folder), true);
    }
    fd_ = attempt.fd;
    state_ = attempt.state;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace dezu::process
