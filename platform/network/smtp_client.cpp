#include "platform/network/smtp_client.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUuid>
#include <cstring>
#include <mutex>
#include <vector>

namespace dezu::network {
namespace {

// An unreachable server must not keep the sender waiting.
constexpr long kConnectTimeoutMs = 5000;

struct MailSession {
    std::mutex mutex;
    CURL* handle = nullptr;
    std::vector<std::string> attachments;
};

MailSession& session() {
    static MailSession s;
    return s;
}

void ensure_curl_initialised() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t discard_output(char*, size_t size, size_t count, void*) {
    return size * count;
}

struct Upload {
    const std::string* data;
    size_t offset = 0;
};

size_t read_upload(char* buffer, size_t size, size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    const size_t left = upload->data->size() - upload->offset;
    const size_t n = std::min(left, size * count);
    std::memcpy(buffer, upload->data->data() + upload->offset, n);
    upload->offset += n;
    return n;
}

std::string base64_lines(const QByteArray& bytes) {
    const QByteArray encoded = bytes.toBase64();
    std::string out;
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76).toStdString() + "\r\n";
    return out;
}

bool is_plain_ascii(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

// RFC 2047 encoded words of whole UTF-8 characters, short enough for one line each.
std::string encoded_words(const std::string& text) {
    if (is_plain_ascii(text)) return text;
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size()) {
            size_t next = end + 1;
            while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
                ++next;
            if (next - start > 45 && end > start) break;
            end = next;
        }
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" +
               QByteArray(text.data() + start, static_cast<qsizetype>(end - start))
                   .toBase64()
                   .toStdString() +
               "?=";
        start = end;
    }
    return out;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

struct Mailbox {
    std::string name;
    std::string address;
};

std::vector<Mailbox> parse_mailboxes(const std::string& text) {
    std::vector<Mailbox> boxes;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(",;", start);
        if (end == std::string::npos) end = text.size();
        const std::string item = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (item.empty()) continue;
        const size_t open = item.find('<');
        Mailbox box;
        if (open == std::string::npos) {
            box.address = item;
        } else {
            const size_t close = item.find('>', open);
            box.name = trimmed(item.substr(0, open));
            box.address = trimmed(item.substr(
                open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
        }
        if (!box.address.empty()) boxes.push_back(box);
    }
    return boxes;
}

std::string mailbox_header(const Mailbox& box) {
    if (box.name.empty()) return "<" + box.address + ">";
    std::string name;
    if (is_plain_ascii(box.name)) {
        name = "\"";
        for (char c : box.name) {
            if (c == '"' || c == '\\') name += '\\';
            name += c;
        }
        name += "\"";
    } else {
        name = encoded_words(box.name);
    }
    return name + " <" + box.address + ">";
}

std::string mailbox_list_header(const std::vector<Mailbox>& boxes) {
    std::string out;
    for (const Mailbox& box : boxes) out += (out.empty() ? "" : ",\r\n ") + mailbox_header(box);
    return out;
}

std::string attachment_part(const std::string& path, const QByteArray& bytes) {
    const QFileInfo info(QString::fromStdString(path));
    const std::string name = info.fileName().toStdString();
    const std::string type = QMimeDatabase().mimeTypeForFile(info).name().toStdString();
    const std::string encoded_name =
        is_plain_ascii(name) && name.find('"') == std::string::npos ? name : encoded_words(name);
    return "Content-Type: " + type + "; name=\"" + encoded_name +
           "\"\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "Content-Disposition: attachment; filename=\"" +
           encoded_name + "\"\r\n\r\n" + base64_lines(bytes);
}

// The whole message; "" in error when an attachment can no longer be read.
std::string compose(const std::string& subject, const std::string& body,
                    const std::vector<Mailbox>& to, const std::vector<Mailbox>& cc,
                    const Mailbox& from, const std::vector<std::string>& attachments,
                    std::string& error) {
    std::string head = "From: " + mailbox_header(from) + "\r\n";
    head += "To: " + mailbox_list_header(to) + "\r\n";
    if (!cc.empty()) head += "Cc: " + mailbox_list_header(cc) + "\r\n";
    head += "Subject: " + encoded_words(subject) + "\r\n";
    head +=
        "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toStdString() + "\r\n";
    const std::string unique = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    head += "Message-ID: <" + unique + "@dezu>\r\n";
    head += "MIME-Version: 1.0\r\n";
    const std::string text_part =
        "Content-Type: text/plain; charset=UTF-8\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        base64_lines(QByteArray::fromStdString(body));
    if (attachments.empty()) return head + text_part;

    const std::string boundary = "=_dezu_" + unique;
    std::string out = head + "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    out += "--" + boundary + "\r\n" + text_part;
    for (const std::string& path : attachments) {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly)) {
            error = "无法读取附件" + path;
            return {};
        }
        out += "--" + boundary + "\r\n" + attachment_part(path, file.readAll());
    }
    out += "--" + boundary + "--\r\n";
    return out;
}

int ask_stop(void* test, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return (*static_cast<const StopTest*>(test))() ? 1 : 0;
}

// The stop test is asked only for the length of one perform.
void watch_stop(CURL* handle, const StopTest* stop) {
    const bool watch = stop && *stop;
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, watch ? ask_stop : nullptr);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, watch ? stop : nullptr);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, watch ? 0L : 1L);
}

void close_handle(MailSession& s) {
    if (s.handle) curl_easy_cleanup(s.handle);
    s.handle = nullptr;
}

}  // namespace

bool connect_mail_server(const std::string& server, int port, const std::string& login,
                         const std::string& password, int timeout_ms, const StopTest& stop) {
    ensure_curl_initialised();
    MailSession& s = session();
    std::lock_guard lock(s.mutex);
    close_handle(s);
    if (server.empty() || port <= 0 || port > 65535) return false;
    CURL* handle = curl_easy_init();
    if (!handle) return false;
    const std::string scheme = port == 465 ? "smtps://" : "smtp://";
    const std::string url = scheme + server + ":" + std::to_string(port);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, 30L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(timeout_ms > 0 ? timeout_ms : 0));
    if (port != 465) curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    if (!login.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, login.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, password.c_str());
        curl_easy_setopt(handle, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
    }
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard_output);
    // A harmless command makes the connection and the login, kept for the send.
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, "NOOP");
    watch_stop(handle, &stop);
    const CURLcode connected = curl_easy_perform(handle);
    watch_stop(handle, nullptr);
    if (connected != CURLE_OK) {
        curl_easy_cleanup(handle);
        return false;
    }
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, nullptr);
    s.handle = handle;
    return true;
}

bool add_mail_attachment(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    if (path.empty() || !info.isFile() || !info.isReadable()) return false;
    MailSession& s = session();
    std::lock_guard lock(s.mutex);
    s.attachments.push_back(path);
    return true;
}

void forget_mail_attachments() {
    MailSession& s = session();
    std::lock_guard lock(s.mutex);
    s.attachments.clear();
}

std::string send_mail_message(const std::string& subject, const std::string& body,
                              const std::string& recipients, const std::string& cc,
                              const std::string& bcc, const std::string& sender,
                              const std::string& sender_name, const StopTest& stop) {
    MailSession& s = session();
    std::lock_guard lock(s.mutex);
    const std::vector<std::string> attachments = std::move(s.attachments);
    s.attachments.clear();
    if (!s.handle) return "没有连接邮件服务器";
    const auto to = parse_mailboxes(recipients);
    const auto copies = parse_mailboxes(cc);
    const auto hidden = parse_mailboxes(bcc);
    if (to.empty() && copies.empty() && hidden.empty()) return "没有收信人地址";
    std::string error;
    const std::string message =
        compose(subject, body, to, copies, Mailbox{sender_name, sender}, attachments, error);
    if (message.empty()) return error;

    curl_slist* rcpt = nullptr;
    for (const auto* list : {&to, &copies, &hidden})
        for (const Mailbox& box : *list)
            rcpt = curl_slist_append(rcpt, ("<" + box.address + ">").c_str());
    const std::string from = "<" + sender + ">";
    Upload upload{&message};
    char error_text[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(s.handle, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(s.handle, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(s.handle, CURLOPT_READFUNCTION, read_upload);
    curl_easy_setopt(s.handle, CURLOPT_READDATA, &upload);
    curl_easy_setopt(s.handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(s.handle, CURLOPT_ERRORBUFFER, error_text);
    // The connection ends with the send, while the stop test is still asked:
    // a connection left open would be closed later without it, and a stalled
    // server could hold that close for the whole response time.
    curl_easy_setopt(s.handle, CURLOPT_FORBID_REUSE, 1L);
    watch_stop(s.handle, &stop);
    const CURLcode result = curl_easy_perform(s.handle);
    watch_stop(s.handle, nullptr);
    curl_easy_setopt(s.handle, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(s.handle, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(s.handle, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(s.handle, CURLOPT_UPLOAD, 0L);
    curl_slist_free_all(rcpt);
    if (result == CURLE_OK) return {};
    return std::string("邮件发送失败：") +
           (error_text[0] ? error_text : curl_easy_strerror(result));
}

void disconnect_mail_server() {
    MailSession& s = session();
    std::lock_guard lock(s.mutex);
    close_handle(s);
}

}  // namespace dezu::network
