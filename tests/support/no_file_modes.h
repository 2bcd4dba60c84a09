#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <cerrno>
#include <string>

// What a file system without Unix modes answers a change of a file's mode
// with: FUSE's FAT has no such call, others refuse it or do not support it.
inline constexpr int kNoModeErrors[] = {ENOSYS, EPERM, EOPNOTSUPP};

// The environment of a program whose every fchmod fails with this error;
// each failed call adds a byte to the log file.
inline QProcessEnvironment without_file_modes(QProcessEnvironment env, int error,
                                              const std::string& log) {
    env.insert("LD_PRELOAD", DEZU_FCHMOD_FAILS);
    env.insert("DEZU_FCHMOD_ERROR", QString::number(error));
    env.insert("DEZU_FCHMOD_LOG", QString::fromStdString(log));
    // The sanitizer's runtime would insist on being loaded first.
    env.insert("ASAN_OPTIONS", "detect_leaks=0:verify_asan_link_order=0");
    return env;
}
