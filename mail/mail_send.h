#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/network/smtp_client.h"

namespace dezu::work {
class Task;
}

namespace dezu::mail {

// Everything a send needs, taken on the UI thread when the send starts: the
// worker reads no window and no table.
struct OutgoingMail {
    std::vector<std::string> attachments;  // full paths, in row order
    std::string server;
    int port = 0;
    std::string login;  // field 3: the login and the sender address
    std::string password;
    std::string subject, body, recipients;
    dezu::network::SmtpOptions smtp;  // trust and time limits of the connection
};

struct SendResult {
    // The attachment that could not be added; nothing was connected or sent.
    std::optional<std::string> refused_attachment;
    // Otherwise the status text: "邮件发送完毕", "无法连接邮件服务器：" and
    // the cause, "邮件服务器断开了连接，邮件没有发送", or the send's error.
    std::string status;
};

// Adds the attachments, connects, sends and disconnects. Runs off the UI
// thread; stops early, disconnected, when the task is cancelled.
SendResult send_mail_worker(const OutgoingMail& mail, const dezu::work::Task& task);

}  // namespace dezu::mail
