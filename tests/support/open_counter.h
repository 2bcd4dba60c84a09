#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <string>

// Counts how often the files of a folder are opened, as the kernel sees it.
class OpenCounter {
public:
    explicit OpenCounter(const std::string& folder) : fd_(inotify_init1(IN_NONBLOCK)) {
        inotify_add_watch(fd_, folder.c_str(), IN_OPEN);
    }
    ~OpenCounter() { ::close(fd_); }
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;

    // Opens of the file of that name since the last call.
    int opens_of(const std::string& name) {
        int count = 0;
        alignas(inotify_event) char buffer[8192];
        ssize_t n;
        while ((n = ::read(fd_, buffer, sizeof buffer)) > 0)
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len && name == event->name) ++count;
                p += sizeof(inotify_event) + event->len;
            }
        return count;
    }

private:
    int fd_;
};
