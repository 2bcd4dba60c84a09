#include "mail/mail_send.h"

#include "platform/network/smtp_client.h"
#include "platform/work/task_group.h"

namespace net = dezu::network;

namespace mail {

SendResult send_mail_worker(const OutgoingMail& mail, const dezu::work::Task& task) {
    const net::StopTest stop = [&task] { return task.stop_requested(); };
    // Attachments left over from a send that ended early would go twice.
    net::forget_mail_attachments();
    for (const std::string& path : mail.attachments) {
        if (!net::add_mail_attachment(path)) return {path, {}};
    }
    if (task.stop_requested()) return {};
    if (!net::connect_mail_server(mail.server, mail.port, mail.login, mail.password, 150000, stop))
        return {std::nullopt, "无法连接邮件服务器"};
    std::string result;
    if (!task.stop_requested())
        result = net::send_mail_message(mail.subject, mail.body, mail.recipients, {}, {},
                                        mail.login, {}, stop);
    net::disconnect_mail_server();
    return {std::nullopt, result.empty() ? std::string("邮件发送完毕") : result};
}

}  // namespace mail
