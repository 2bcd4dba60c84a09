#pragma once

#include <functional>
#include <string>

// Sends mail through an SMTP server: one mail at a time, prepared by adding
// attachments, then sent over the connection made by connect_mail_server.
// STARTTLS is used when the server offers it; port 465 speaks SMTPS.
// Calls may come from any thread; they are serialised inside.
namespace dezu::network {

// Asked while a connection or a transfer waits (about once a second, more
// often while data flows); true ends it at once as a failure.
using StopTest = std::function<bool()>;

// Connects and logs in (no login when it is empty). timeout_ms bounds each
// later transfer; an unreachable server fails within seconds.
[[nodiscard]] bool connect_mail_server(const std::string& server, int port,
                                       const std::string& login, const std::string& password,
                                       int timeout_ms = 150000, const StopTest& stop = {});

// Adds a file to the mail being prepared; false when it cannot be read.
[[nodiscard]] bool add_mail_attachment(const std::string& path);

// Forgets the attachments added so far.
void forget_mail_attachments();

// Sends the mail with the attachments added so far, then forgets them.
// recipients: addresses or "name<address>" items joined by "," or ";".
// Returns "" when sent, else the error text to show.
[[nodiscard]] std::string send_mail_message(const std::string& subject, const std::string& body,
                                            const std::string& recipients,
                                            const std::string& cc = {}, const std::string& bcc = {},
                                            const std::string& sender = {},
                                            const std::string& sender_name = {},
                                            const StopTest& stop = {});

void disconnect_mail_server();

}  // namespace dezu::network
