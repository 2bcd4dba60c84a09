#include "mail/mail_send.h"

#include "platform/work/task_group.h"

namespace net = dezu::network;

namespace dezu::mail {

SendResult send_mail_worker(const OutgoingMail& mail, const dezu::work::Task& task) {
    const net::StopTest stop = [&task] { return task.stop_requested(); };
    net::SmtpClient client(mail.smtp);
    for (const std::string& path : mail.attachments) {
        if (!client.add_attachment(path)) return {path, {}};
    }
    if (task.stop_requested()) return {};
    if (!client.connect(mail.server, mail.port, mail.login, mail.password, stop)) {
        // A server that took the connection and dropped it was reached.
        if (client.connection_lost()) return {std::nullopt, "邮件服务器断开了连接，邮件没有发送"};
        return {std::nullopt, "无法连接邮件服务器：" + client.failure()};
    }
    std::string result;
    if (!task.stop_requested())
        result =
            client.send(mail.subject, mail.body, mail.recipients, {}, {}, mail.login, {}, stop);
    client.disconnect();
    return {std::nullopt, result.empty() ? std::string("邮件发送完毕") : result};
}

}  // namespace dezu::mail
