#pragma once

#include <string>

namespace dezu::process {

// Keeps a second copy of the program from running out of the same folder,
// where both would write the same settings, lists and books. The lock is the
// system's own lock on a small file in the folder: it goes with the process
// that holds it, however that process ends, so a killed copy leaves nothing
// that blocks the next start. Where this user cannot write the folder (it is
// read-only, or another user's), a file named after the folder's path in the
// user's runtime folder ($XDG_RUNTIME_DIR, else the temporary folder) holds
// the lock instead, so that each user runs one copy.
class FolderLock {
public:
    enum class State {
        Held,           // this copy holds the folder
        HeldElsewhere,  // another running copy holds it
        Unavailable,    // no lock could be made anywhere; nothing to guard
    };

    // Takes the lock of the folder (ending in "/") at once, or learns that
    // another copy has it.
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State state() const { return state_; }

    // The lock file's name in the folder.
    static constexpr const char* kFileName = ".dezu.lock";

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
};

}  // namespace dezu::process
