// Sends one mail with a 5, 20 and 100 MB attachment to a loopback SMTP sink
// and prints the time and the peak memory over idle, beside `curl
// --upload-file` sending the very message the sink received, to the same
// sink, in the same run. The sink is a small server of the benchmark's own,
// in a process of its own: the Python test peer reads about 1 MB/s and
// would hide both clients.
//
//   bench_mail_send [runs]      (the best of runs for each; default 1)
//
// Each measurement runs in a process of its own, so that peaks do not mix.
// Ours: the resident memory after a warm-up send is idle, and the peak is
// taken from there (/proc/self/clear_refs). curl's: its peak for the big
// message less its peak for a tiny one.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "platform/network/smtp_client.h"

namespace {

using dezu::bench::cpu_seconds;
using dezu::bench::reset_peak;
using dezu::bench::status_kib;

struct Figures {
    double seconds = 0;
    double memory_mib = 0;
    double cpu_seconds = 0;  // user and system: steadier than the wall on a busy machine
};

bool send_with_client(int port, const std::string& attachment) {
    dezu::network::SmtpClient client;
    if (!attachment.empty() && !client.add_attachment(attachment)) return false;
    if (!client.connect("127.0.0.1", port, "me@local", "")) return false;
    const std::string result = client.send("bench", "body", "x@x.org", {}, {}, "me@local", {});
    client.disconnect();
    return result.empty();
}

// Runs fn in a child process; the child writes its figures back through a pipe.
template <class Fn>
Figures in_child(Fn fn) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_fds[0]);
        const Figures figures = fn();
        [[maybe_unused]] const ssize_t n = write(pipe_fds[1], &figures, sizeof figures);
        _exit(0);
    }
    close(pipe_fds[1]);
    Figures figures;
    [[maybe_unused]] const ssize_t n = read(pipe_fds[0], &figures, sizeof figures);
    close(pipe_fds[0]);
    waitpid(child, nullptr, 0);
    return figures;
}

Figures ours(int port, const std::string& tiny, const std::string& attachment) {
    return in_child([&] {
        Figures figures;
        if (!send_with_client(port, tiny)) return figures;  // warm-up: libraries, TLS, MIME data
        const long idle = status_kib("VmRSS");
        static_cast<void>(reset_peak());
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        QElapsedTimer timer;
        timer.start();
        if (!send_with_client(port, attachment)) return Figures{-1, -1, -1};
        figures.seconds = timer.nsecsElapsed() / 1e9;
        getrusage(RUSAGE_SELF, &after);
        figures.cpu_seconds = cpu_seconds(after) - cpu_seconds(before);
        figures.memory_mib = (status_kib("VmHWM") - idle) / 1024.0;
        return figures;
    });
}

// curl's wall time and peak resident memory (KiB) for one message file.
Figures curl_once(int port, const std::string& message) {
    QElapsedTimer timer;
    timer.start();
    const pid_t child = fork();
    if (child == 0) {
        const std::string url = "smtp://127.0.0.1:" + std::to_string(port);
        execlp("curl", "curl", "-sS", url.c_str(), "--mail-from", "me@local", "--mail-rcpt",
               "x@x.org", "--upload-file", message.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {-1, -1};
    return {timer.nsecsElapsed() / 1e9, usage.ru_maxrss / 1024.0, cpu_seconds(usage)};
}

// One connection of the sink: plain SMTP without extensions. A message is
// written to `saved`, whole, before its 250, when `saved`.want exists, which
// it then removes; other messages are only read.
void serve(int fd, const std::string& saved) {
    std::string in;
    std::vector<char> buffer(1 << 18);
    auto say = [fd](const char* text) {
        return write(fd, text, std::strlen(text)) == static_cast<ssize_t>(std::strlen(text));
    };
    auto fill = [&] {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n <= 0) return false;
        in.append(buffer.data(), static_cast<size_t>(n));
        return true;
    };
    if (!say("220 sink\r\n")) return;
    for (;;) {
        size_t end;
        while ((end = in.find("\r\n")) == std::string::npos)
            if (!fill()) return;
        const std::string command = in.substr(0, std::min<size_t>(4, end));
        in.erase(0, end + 2);
        if (command == "QUIT") {
            say("221 bye\r\n");
            return;
        }
        if (command != "DATA") {
            if (!say("250 ok\r\n")) return;
            continue;
        }
        if (!say("354 go\r\n")) return;
        const std::string want = saved + ".want";
        std::ofstream out;
        if (std::filesystem::exists(want)) out.open(saved, std::ios::binary | std::ios::trunc);
        // The message ends at CRLF "." CRLF; the last four bytes are kept back
        // until more arrive, since the end may straddle two reads.
        in.insert(0, "\r\n");
        for (;;) {
            const size_t stop = in.find("\r\n.\r\n");
            if (stop != std::string::npos) {
                out.write(in.data() + 2, static_cast<std::streamsize>(stop));
                in.erase(0, stop + 5);
                break;
            }
            if (in.size() > 6) {
                const size_t keep = in.size() - 4;
                out.write(in.data() + 2, static_cast<std::streamsize>(keep - 2));
                in.erase(2, keep - 2);
            }
            if (!fill()) return;
        }
        if (out.is_open()) {
            out.close();
            std::filesystem::remove(want);
        }
        if (!say("250 ok\r\n")) return;
    }
}

// The sink's process; it serves one connection at a time until killed.
pid_t start_sink(int& port, const std::string& saved) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listener, 4) != 0)
        return -1;
    socklen_t length = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length);
    port = ntohs(addr.sin_port);
    const pid_t sink = fork();
    if (sink == 0) {
        for (;;) {
            const int fd = accept(listener, nullptr, nullptr);
            if (fd < 0) continue;
            serve(fd, saved);
            close(fd);
        }
    }
    close(listener);
    return sink;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    QTemporaryDir temp;
    const std::string dir = temp.path().toStdString();
    const std::string received = dir + "/received.eml";
    int port = 0;
    const pid_t sink = start_sink(port, received);
    if (sink < 0) {
        std::fprintf(stderr, "the SMTP sink did not start\n");
        return 1;
    }

    const std::string tiny = dir + "/tiny.txt";
    std::ofstream(tiny) << "tiny";
    std::ofstream(received + ".want").flush();
    if (!send_with_client(port, tiny)) {
        std::fprintf(stderr, "the first send failed\n");
        return 1;
    }
    const std::string tiny_message = dir + "/tiny.eml";
    std::filesystem::rename(received, tiny_message);
    const Figures curl_idle = curl_once(port, tiny_message);
    if (curl_idle.seconds < 0) {
        std::fprintf(stderr, "curl could not send\n");
        return 1;
    }

    std::printf("%-8s %8s %8s %8s %9s %9s %10s %10s\n", "size", "dezu s", "curl s", "time x",
                "dezu cpu", "curl cpu", "dezu MiB", "curl MiB");
    std::mt19937_64 random(1);
    for (const int mb : {5, 20, 100}) {
        const std::string file = dir + "/attachment.bin";
        {
            std::ofstream out(file, std::ios::binary);
            std::vector<std::uint64_t> block(1 << 17);
            for (int i = 0; i < mb * 8; ++i) {
                for (auto& word : block) word = random();
                out.write(reinterpret_cast<const char*>(block.data()), 1 << 20);
            }
        }
        // The message for curl: the client's own, sent once untimed and kept.
        std::ofstream(received + ".want").flush();
        const bool kept = in_child([&] {
                              return Figures{send_with_client(port, file) ? 1.0 : -1.0, 0};
                          }).seconds > 0;
        if (!kept) {
            std::fprintf(stderr, "the send of %d MB failed\n", mb);
            return 1;
        }
        const std::string message = dir + "/message.eml";
        std::filesystem::rename(received, message);
        Figures best_ours{1e9, 1e9, 1e9}, best_curl{1e9, 1e9, 1e9};
        for (int run = 0; run < runs; ++run) {
            const Figures o = ours(port, tiny, file);
            if (o.seconds < 0) {
                std::fprintf(stderr, "the send of %d MB failed\n", mb);
                return 1;
            }
            Figures c = curl_once(port, message);
            c.memory_mib -= curl_idle.memory_mib;
            best_ours = {std::min(best_ours.seconds, o.seconds),
                         std::min(best_ours.memory_mib, o.memory_mib),
                         std::min(best_ours.cpu_seconds, o.cpu_seconds)};
            best_curl = {std::min(best_curl.seconds, c.seconds),
                         std::min(best_curl.memory_mib, c.memory_mib),
                         std::min(best_curl.cpu_seconds, c.cpu_seconds)};
        }
        std::printf("%-8s %8.2f %8.2f %8.2f %9.2f %9.2f %10.1f %10.1f\n",
                    (std::to_string(mb) + " MB").c_str(), best_ours.seconds, best_curl.seconds,
                    best_ours.seconds / best_curl.seconds, best_ours.cpu_seconds,
                    best_curl.cpu_seconds, best_ours.memory_mib, best_curl.memory_mib);
        std::filesystem::remove(message);
        std::fflush(stdout);
    }
    kill(sink, SIGKILL);
    waitpid(sink, nullptr, 0);
    return 0;
}
