#include "platform/process/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace dezu::process {

FolderLock::FolderLock(const std::string& folder) {
    const std::string path = folder + kFileName;
    // Read-only is enough for flock, and lets a read-only folder that already
    // has the file be locked too. Not inherited by the programs we start, or
    // they would keep the folder locked after we end.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    int result;
    do {
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        state_ = State::Held;
        return;
    }
    state_ = errno == EWOULDBLOCK ? State::HeldElsewhere : State::Unavailable;
    ::close(fd_);
    fd_ = -1;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace dezu::process
