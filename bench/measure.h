#pragma once

#include <sys/resource.h>

#include <cstdlib>
#include <fstream>
#include <string>

// What the benchmarks read of a process's cost from the system.
namespace dezu::bench {

// A line of /proc/self/status ("VmRSS", "VmHWM"), in KiB; -1 without one.
inline long status_kib(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(key + ":")) return std::atol(line.c_str() + key.size() + 1);
    return -1;
}

// Starts a new peak: the resident size from here on is what VmHWM tells.
// False where the system keeps no such count.
inline bool reset_peak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    return static_cast<bool>(clear);
}

// User and system time: steadier than the wall on a busy machine.
inline double cpu_seconds(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace dezu::bench
