#include "platform/process/end_requests.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace dezu::process {
namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, so plain ints: nothing else is safe there.
int g_read_end = -1;
int g_write_end = -1;
std::array<struct sigaction, kSignals.size()> g_previous{};

void on_end_signal(int signal_number) {
    const int saved = errno;
    const char byte = static_cast<char>(signal_number);
    // A full pipe already holds a request; nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(g_write_end, &byte, 1);
    errno = saved;
}

}  // namespace

EndRequests::EndRequests(QObject* parent) : QObject(parent) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_read_end = ends[0];
    g_write_end = ends[1];
    notifier_ = new QSocketNotifier(g_read_end, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &EndRequests::read_requests);
    struct sigaction action {};
    action.sa_handler = on_end_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

EndRequests::~EndRequests() {
    if (!notifier_) return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete notifier_;
    ::close(g_read_end);
    ::close(g_write_end);
    g_read_end = g_write_end = -1;
}

void EndRequests::read_requests() {
    char bytes[16];
    ssize_t n;
    while ((n = ::read(g_read_end, bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < n; ++i) emit requested(static_cast<unsigned char>(bytes[i]));
}

}  // namespace dezu::process
