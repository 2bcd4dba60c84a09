#include "platform/network/smtp_client.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QDateTime>
#include <QMimeDatabase>
#include <QString>
#include <QUuid>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/text/text.h"

namespace dezu::network {
namespace {

void ensure_curl_initialised() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t discard_output(char*, size_t size, size_t count, void*) {
    return size * count;
}

long clamp_long(long long value) {
    return static_cast<long>(std::clamp<long long>(value, 0, LONG_MAX));
}

bool is_control(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

bool is_plain_ascii(const std::string& text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return is_control(u) || u > 0x7e;
    });
}

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// 57 bytes make one 76-character line.
constexpr size_t kBytesPerLine = 57;

// Two base64 characters for each 12-bit value: half the lookups of one per
// character, which the encoding of large attachments feels.
struct PairTable {
    char pairs[4096][2];
    constexpr PairTable() : pairs() {
        for (int v = 0; v < 4096; ++v) {
            pairs[v][0] = kBase64[v >> 6];
            pairs[v][1] = kBase64[v & 63];
        }
    }
};
constexpr PairTable kPairs;

// Appends bytes as base64 lines of 76 characters, each ended by CRLF.
void append_base64_lines(const unsigned char* in, size_t n, std::string& out) {
    const size_t lines = (n + kBytesPerLine - 1) / kBytesPerLine;
    const size_t at = out.size();
    out.resize(at + (n + 2) / 3 * 4 + lines * 2);
    char* o = out.data() + at;
    while (n > 0) {
        const size_t line = std::min(n, kBytesPerLine);
        size_t i = 0;
        for (; i + 3 <= line; i += 3) {
            const unsigned v = (unsigned{in[i]} << 16) | (unsigned{in[i + 1]} << 8) | in[i + 2];
            std::memcpy(o, kPairs.pairs[v >> 12], 2);
            std::memcpy(o + 2, kPairs.pairs[v & 4095], 2);
            o += 4;
        }
        if (i < line) {
            const unsigned v =
                (unsigned{in[i]} << 16) | (i + 1 < line ? unsigned{in[i + 1]} << 8 : 0u);
            o[0] = kBase64[v >> 18];
            o[1] = kBase64[(v >> 12) & 63];
            o[2] = i + 1 < line ? kBase64[(v >> 6) & 63] : '=';
            o[3] = '=';
            o += 4;
        }
        o[0] = '\r';
        o[1] = '\n';
        o += 2;
        in += line;
        n -= line;
    }
}

std::string base64_lines(const std::string& bytes) {
    std::string out;
    append_base64_lines(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
    return out;
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
    return std::string(dezu::text::trim(text));
}

// An address as it may appear in a status line: control characters shown as "?".
std::string shown(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (is_control(static_cast<unsigned char>(c))) c = '?';
    return out;
}

struct Mailbox {
    std::string name;
    std::string address;
};

// The position of the first c outside double quotes, or npos.
size_t find_unquoted(const std::string& text, const char* chars, size_t from = 0) {
    bool quoted = false;
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\\' && quoted) {
            ++i;
        } else if (text[i] == '"') {
            quoted = !quoted;
        } else if (!quoted && std::strchr(chars, text[i])) {
            return i;
        }
    }
    return std::string::npos;
}

// A display name without its quotes.
std::string unquoted(const std::string& name) {
    if (name.size() < 2 || name.front() != '"' || name.back() != '"') return name;
    std::string out;
    for (size_t i = 1; i + 1 < name.size(); ++i) {
        if (name[i] == '\\' && i + 2 < name.size()) ++i;
        out += name[i];
    }
    return out;
}

// Items are separated by ",", ";" (outside quoted names) or line breaks. An
// address holding a control character is put in bad_address, so that it can
// reach neither a command line nor a header.
std::vector<Mailbox> parse_mailboxes(const std::string& text, std::string& bad_address) {
    std::vector<Mailbox> boxes;
    size_t line_start = 0;
    while (line_start <= text.size()) {
        size_t line_end = text.find_first_of("\r\n", line_start);
        if (line_end == std::string::npos) line_end = text.size();
        const std::string line = text.substr(line_start, line_end - line_start);
        line_start = line_end + 1;
        size_t start = 0;
        while (start <= line.size()) {
            size_t end = find_unquoted(line, ",;", start);
            if (end == std::string::npos) end = line.size();
            const std::string item = trimmed(line.substr(start, end - start));
            start = end + 1;
            if (item.empty()) continue;
            const size_t open = find_unquoted(item, "<");
            Mailbox box;
            if (open == std::string::npos) {
                box.address = item;
            } else {
                const size_t close = item.find('>', open);
                box.name = unquoted(trimmed(item.substr(0, open)));
                box.address = trimmed(item.substr(
                    open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
            }
            if (box.address.empty()) continue;
            if (std::any_of(box.address.begin(), box.address.end(),
                            [](char c) { return is_control(static_cast<unsigned char>(c)); })) {
                if (bad_address.empty()) bad_address = box.address;
                continue;
            }
            boxes.push_back(box);
        }
    }
    return boxes;
}

std::string mailbox_header(const Mailbox& box) {
    if (box.name.empty()) return "<" + box.address + ">";
    // Readers refuse a display name holding a line break, even encoded.
    std::string plain = box.name;
    for (char& c : plain)
        if (is_control(static_cast<unsigned char>(c))) c = ' ';
    std::string name;
    if (is_plain_ascii(plain)) {
        name = "\"";
        for (char c : plain) {
            if (c == '"' || c == '\\') name += '\\';
            name += c;
        }
        name += "\"";
    } else {
        name = encoded_words(plain);
    }
    return name + " <" + box.address + ">";
}

std::string mailbox_list_header(const std::vector<Mailbox>& boxes) {
    std::string out;
    for (const Mailbox& box : boxes) out += (out.empty() ? "" : ",\r\n ") + mailbox_header(box);
    return out;
}

// A name that needs no more than a quoted string.
bool is_plain_name(const std::string& name) {
    return is_plain_ascii(name) && name.find_first_of("\"\\") == std::string::npos;
}

// The name with every character that a quoted string cannot carry as "_",
// for readers that know only the plain parameter.
std::string plain_fallback(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x80) {
            while (i + 1 < name.size() && (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80)
                ++i;
            out += '_';
        } else {
            out += is_control(c) || c == '"' || c == '\\' ? '_' : static_cast<char>(c);
        }
    }
    return out;
}

// RFC 2231 extended value: UTF-8, percent-encoded outside the attribute characters.
std::string extended_value(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "UTF-8''";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80 && (std::isalnum(c) || (c != 0 && std::strchr("!#$&+-.^_`|~", ch)))) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string attachment_head(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string type =
        QMimeDatabase().mimeTypeForFile(QString::fromStdString(path)).name().toStdString();
    // Both parameters of one name in one header are a defect to strict
    // readers, so the plain fallback goes with the type.
    const std::string disposition = is_plain_name(name) ? "filename=\"" + name + "\""
                                                        : "\r\n filename*=" + extended_value(name);
    return "Content-Type: " + type + "; name=\"" + plain_fallback(name) +
           "\"\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "Content-Disposition: attachment;" +
           disposition + "\r\n\r\n";
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The message as libcurl reads it: texts and attachments in order, each
// attachment read and encoded a block at a time.
class MessageSource {
public:
    void add_text(std::string text) { pieces_.push_back({std::move(text), {}, {}}); }
    // False when the file cannot be opened.
    bool add_file(const std::string& path) {
        File file(std::fopen(path.c_str(), "rb"));
        if (!file) return false;
        pieces_.push_back({{}, path, std::move(file)});
        return true;
    }
    // The attachment that could not be read to its end; "" when none.
    const std::string& failed_path() const { return failed_path_; }

    static size_t read(char* buffer, size_t size, size_t count, void* user) {
        auto* source = static_cast<MessageSource*>(user);
        const size_t n = source->fill(buffer, size * count);
        return source->failed_path_.empty() ? n : CURL_READFUNC_ABORT;
    }

private:
    struct Piece {
        std::string text;
        std::string path;
        File file;
    };
    // 1024 lines of base64 a block.
    static constexpr size_t kBlock = kBytesPerLine * 1024;

    size_t fill(char* out, size_t room) {
        size_t written = 0;
        while (written < room) {
            if (offset_ == pending_.size() && !refill()) break;
            const size_t n = std::min(room - written, pending_.size() - offset_);
            std::memcpy(out + written, pending_.data() + offset_, n);
            written += n;
            offset_ += n;
        }
        return written;
    }

    bool refill() {
        pending_.clear();
        offset_ = 0;
        while (next_ < pieces_.size()) {
            Piece& piece = pieces_[next_];
            if (!piece.file) {
                pending_.swap(piece.text);
                ++next_;
                return true;
            }
            block_.resize(kBlock);
            const size_t got = std::fread(block_.data(), 1, kBlock, piece.file.get());
            if (got > 0) {
                append_base64_lines(block_.data(), got, pending_);
                return true;
            }
            if (std::ferror(piece.file.get())) {
                failed_path_ = piece.path;
                return false;
            }
            piece.file.reset();
            ++next_;
        }
        return false;
    }

    std::vector<Piece> pieces_;
    size_t next_ = 0;
    std::string pending_;
    size_t offset_ = 0;
    std::vector<unsigned char> block_;
    std::string failed_path_;
};

// Watches one perform: the caller's stop test, and, while the TCP connection
// is being made, its own time limit.
struct Watch {
    CURL* handle = nullptr;
    const StopTest* stop = nullptr;
    long tcp_limit_ms = 0;  // 0: not watched
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    bool stopped = false;
    bool timed_out = false;

    static int check(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto* watch = static_cast<Watch*>(user);
        if (watch->stop && *watch->stop && (*watch->stop)()) {
            watch->stopped = true;
            return 1;
        }
        if (watch->tcp_limit_ms > 0) {
            curl_off_t connected_us = 0;
            if (curl_easy_getinfo(watch->handle, CURLINFO_CONNECT_TIME_T, &connected_us) ==
                    CURLE_OK &&
                connected_us > 0) {
                watch->tcp_limit_ms = 0;
            } else if (std::chrono::steady_clock::now() - watch->start >
                       std::chrono::milliseconds(watch->tcp_limit_ms)) {
                watch->timed_out = true;
                return 1;
            }
        }
        return 0;
    }

    CURLcode perform() {
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, check);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
        const CURLcode result = curl_easy_perform(handle);
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, nullptr);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, nullptr);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
        return result;
    }
};

// Why a perform failed, in words the user can act on; "" when libcurl's own
// text is the best there is.
std::string cause_of(CURLcode result, const Watch& watch) {
    if (watch.stopped) return "已取消";
    if (watch.timed_out) return "服务器在时限内没有回答";
    switch (result) {
        case CURLE_OPERATION_TIMEDOUT:
            return "服务器在时限内没有回答";
        case CURLE_COULDNT_RESOLVE_HOST:
            return "找不到服务器";
        case CURLE_COULDNT_CONNECT: {
            long os_error = 0;
            if (curl_easy_getinfo(watch.handle, CURLINFO_OS_ERRNO, &os_error) == CURLE_OK &&
                os_error == ECONNREFUSED)
                return "服务器拒绝连接";
            return "无法建立网络连接";
        }
        case CURLE_PEER_FAILED_VERIFICATION:
            return "服务器的证书不受信任";
        case CURLE_SSL_CACERT_BADFILE:
            return "无法读取受信任的证书文件";
        case CURLE_USE_SSL_FAILED:
            return "服务器不提供加密连接（STARTTLS），密码不能明文发送";
        case CURLE_SSL_CONNECT_ERROR:
            return "无法建立加密连接";
        case CURLE_LOGIN_DENIED:
            return "登录被拒绝";
        case CURLE_GOT_NOTHING:
            return "服务器断开了连接";
        default:
            return {};
    }
}

}  // namespace

struct SmtpClient::Connection {
    CURL* handle = nullptr;
    ~Connection() {
        if (handle) curl_easy_cleanup(handle);
    }
};

SmtpClient::SmtpClient(SmtpOptions options) : options_(std::move(options)) {}

SmtpClient::~SmtpClient() = default;

bool SmtpClient::add_attachment(const std::string& path) {
    // Only a regular file has an end to reach.
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return false;
    if (!File(std::fopen(path.c_str(), "rb"))) return false;
    attachments_.push_back(path);
    return true;
}

bool SmtpClient::connect(const std::string& server, int port, const std::string& login,
                         const std::string& password, const StopTest& stop) {
    ensure_curl_initialised();
    connection_.reset();
    failure_.clear();
    if (server.empty() || port <= 0 || port > 65535) {
        failure_ = "服务器或端口无效";
        return false;
    }
    auto connection = std::make_unique<Connection>();
    connection->handle = curl_easy_init();
    CURL* handle = connection->handle;
    if (!handle) {
        failure_ = "内存不足";
        return false;
    }
    const std::string url =
        (port == 465 ? "smtps://" : "smtp://") + server + ":" + std::to_string(port);
    const bool logs_in = !login.empty() && !password.empty();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    // The TCP connection has its own limit (the watch below); this one only
    // bounds the exchange that follows it, which is also bounded reply by reply.
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     clamp_long(options_.connect_timeout_ms + 8LL * options_.reply_timeout_ms));
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     clamp_long((options_.reply_timeout_ms + 999LL) / 1000));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME,
                     std::max(1L, clamp_long((options_.stall_timeout_ms + 999LL) / 1000)));
    // A password never goes in clear: without TLS the login is not tried.
    if (port != 465)
        curl_easy_setopt(handle, CURLOPT_USE_SSL,
                         static_cast<long>(logs_in ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    if (!options_.ca_file.empty())
        curl_easy_setopt(handle, CURLOPT_CAINFO, options_.ca_file.c_str());
    if (logs_in) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, login.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, password.c_str());
    }
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard_output);
    // A harmless command makes the connection and the login, kept for the send.
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, "NOOP");
    char error_text[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error_text);
    Watch watch{handle, &stop, std::max(1L, clamp_long(options_.connect_timeout_ms))};
    const CURLcode result = watch.perform();
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, nullptr);
    if (result != CURLE_OK) {
        failure_ = cause_of(result, watch);
        if (failure_.empty()) failure_ = error_text[0] ? error_text : curl_easy_strerror(result);
        return false;
    }
    connection_ = std::move(connection);
    return true;
}

std::string SmtpClient::send(const std::string& subject, const std::string& body,
                             const std::string& recipients, const std::string& cc,
                             const std::string& bcc, const std::string& sender,
                             const std::string& sender_name, const StopTest& stop) {
    const std::vector<std::string> attachments = std::move(attachments_);
    attachments_.clear();
    if (!connection_) return "没有连接邮件服务器";
    std::string bad;
    const auto to = parse_mailboxes(recipients, bad);
    const auto copies = parse_mailboxes(cc, bad);
    const auto hidden = parse_mailboxes(bcc, bad);
    if (!bad.empty()) return "收信人地址无效：" + shown(bad);
    if (to.empty() && copies.empty() && hidden.empty()) return "没有收信人地址";
    if (std::any_of(sender.begin(), sender.end(), [](char c) {
            return is_control(static_cast<unsigned char>(c)) || c == '<' || c == '>';
        }))
        return "发信人地址无效：" + shown(sender);

    const Mailbox from{sender_name, sender};
    std::string head = "From: " + mailbox_header(from) + "\r\n";
    if (!to.empty()) head += "To: " + mailbox_list_header(to) + "\r\n";
    if (!copies.empty()) head += "Cc: " + mailbox_list_header(copies) + "\r\n";
    head += "Subject: " + encoded_words(subject) + "\r\n";
    head +=
        "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toStdString() + "\r\n";
    const std::string unique = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    head += "Message-ID: <" + unique + "@dezu>\r\n";
    head += "MIME-Version: 1.0\r\n";
    const std::string text_part =
        "Content-Type: text/plain; charset=UTF-8\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        base64_lines(body);
    MessageSource source;
    if (attachments.empty()) {
        source.add_text(head + text_part);
    } else {
        const std::string boundary = "=_dezu_" + unique;
        source.add_text(head + "Content-Type: multipart/mixed; boundary=\"" + boundary +
                        "\"\r\n\r\n--" + boundary + "\r\n" + text_part);
        for (const std::string& path : attachments) {
            source.add_text("--" + boundary + "\r\n" + attachment_head(path));
            if (!source.add_file(path)) return "无法读取附件" + path;
        }
        source.add_text("--" + boundary + "--\r\n");
    }

    curl_slist* rcpt = nullptr;
    for (const auto* list : {&to, &copies, &hidden})
        for (const Mailbox& box : *list)
            rcpt = curl_slist_append(rcpt, ("<" + box.address + ">").c_str());
    const std::string mail_from = "<" + sender + ">";
    CURL* handle = connection_->handle;
    char error_text[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, mail_from.c_str());
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, MessageSource::read);
    curl_easy_setopt(handle, CURLOPT_READDATA, &source);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    // Larger pieces than the default 64 KiB: fewer calls per megabyte sent.
    curl_easy_setopt(handle, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error_text);
    // The connection ends with the send, while the stop test is still asked:
    // a connection left open would be closed later without it, and a stalled
    // server could hold that close for the whole reply time.
    curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
    Watch watch{handle, &stop};
    const CURLcode result = watch.perform();
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(handle, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 0L);
    curl_slist_free_all(rcpt);
    if (result == CURLE_OK) return {};
    if (!source.failed_path().empty()) return "无法读取附件" + source.failed_path();
    std::string cause = cause_of(result, watch);
    if (cause.empty()) cause = error_text[0] ? error_text : curl_easy_strerror(result);
    return "邮件发送失败：" + cause;
}

void SmtpClient::disconnect() {
    connection_.reset();
}

}  // namespace dezu::network
