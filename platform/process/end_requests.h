#pragma once

#include <QObject>

class QSocketNotifier;

namespace dezu::process {

// Turns the system's requests to end (SIGTERM at log-out and shut-down,
// SIGINT from a terminal's Ctrl+C, SIGHUP when that terminal goes) into a
// signal on the UI thread, so the program ends in order rather than at once.
// The handler only writes the signal's number to a pipe; the UI thread reads
// it. One at a time; the handlers are put back when it goes.
class EndRequests : public QObject {
    Q_OBJECT
public:
    explicit EndRequests(QObject* parent = nullptr);
    ~EndRequests() override;
    EndRequests(const EndRequests&) = delete;
    EndRequests& operator=(const EndRequests&) = delete;

signals:
    void requested(int signal_number);

private:
    void read_requests();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace dezu::process
