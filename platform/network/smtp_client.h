#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Sends mail through an SMTP server: one client per send, prepared by adding
// attachments, then connected, then sent. A password travels only inside TLS
// (STARTTLS, or implicit TLS on port 465), and server certificates are always
// verified. Attachments are read and encoded while the message goes out, so a
// large file is never held whole. One thread uses a client at a time.
namespace dezu::network {

// Asked while a connection or a transfer waits (about once a second, more
// often while data flows); true ends it at once as a failure.
using StopTest = std::function<bool()>;

struct SmtpOptions {
    // A PEM file of certificate authorities trusted besides the system's,
    // such as a company's own.
    std::string ca_file;
    // The TCP connection alone.
    int connect_timeout_ms = 10000;
    // Each reply of the server, the greeting included.
    int reply_timeout_ms = 60000;
    // No byte moving either way for this long ends the transfer.
    int stall_timeout_ms = 60000;
};

class SmtpClient {
public:
    explicit SmtpClient(SmtpOptions options = {});
    ~SmtpClient();
    SmtpClient(const SmtpClient&) = delete;
    SmtpClient& operator=(const SmtpClient&) = delete;

    // Adds a file to the mail being prepared; false when it cannot be read.
    [[nodiscard]] bool add_attachment(const std::string& path);

    // Connects and, when a password is given, logs in with the login inside
    // TLS, by whichever method the server offers. On failure, failure() says
    // why in words the user can act on.
    [[nodiscard]] bool connect(const std::string& server, int port, const std::string& login,
                               const std::string& password, const StopTest& stop = {});
    const std::string& failure() const { return failure_; }
    // The last connect() or send() failed because the server dropped the
    // connection it had taken.
    bool connection_lost() const { return lost_; }

    // Sends the mail with the attachments added so far, then forgets them.
    // recipients, cc and bcc: mailboxes as parse_mailboxes reads them; an
    // item that is no mailbox, or a sender that is no single address, stops
    // the send before anything goes. Returns "" when sent, else the error
    // text to show.
    [[nodiscard]] std::string send(const std::string& subject, const std::string& body,
                                   const std::string& recipients, const std::string& cc,
                                   const std::string& bcc, const std::string& sender,
                                   const std::string& sender_name, const StopTest& stop = {});

    void disconnect();

private:
    struct Connection;
    SmtpOptions options_;
    std::vector<std::string> attachments_;
    std::unique_ptr<Connection> connection_;
    std::string failure_;
    bool lost_ = false;
};

}  // namespace dezu::network
