#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

// Runs a program found on PATH with these arguments and waits for it, its
// standard input read from a file and its output and errors written to
// files where they are named; true when it ended with code 0. Spawned, not forked: a fork
// made by QProcess from a process with threads leaves ThreadSanitizer unable
// to start another one.
inline bool run_tool(const char* program, const QStringList& arguments,
                     const std::string& input = {}, const std::string& output = {},
                     const std::string& errors = {}) {
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(program));
    if (found.isEmpty()) return false;
    std::vector<std::string> words = {found.toStdString()};
    for (const QString& a : arguments) words.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t redirections;
    posix_spawn_file_actions_init(&redirections);
    if (!input.empty())
        posix_spawn_file_actions_addopen(&redirections, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
    for (const auto& [fd, file] : {std::pair{STDOUT_FILENO, &output}, {STDERR_FILENO, &errors}})
        if (!file->empty())
            posix_spawn_file_actions_addopen(&redirections, fd, file->c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &redirections, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&redirections);
    if (spawned != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
