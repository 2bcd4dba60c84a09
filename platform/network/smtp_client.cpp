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
#include <optional>
#include <string_view>

#include "platform/network/mail_addresses.h"
#include "platform/text/text.h"

namespace dezu::network {
namespace {

namespace text = dezu::text;

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

bool is_plain_ascii(std::string_view text) {
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

// UTF-8 characters: the length of the one that starts at i.
size_t character_length(std::string_view text, size_t i) {
    size_t next = i + 1;
    while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
    return next - i;
}

// Lines of a header field are folded to keep within this many characters.
constexpr size_t kFoldAt = 78;
// The room a piece has on the first line after the longest name that takes
// pieces of any length ("Subject: ").
constexpr size_t kFirstLineRoom = kFoldAt - 9;
// UTF-8 bytes in one encoded word: 56 base64 characters, 68 with the word's
// marks, which fit on the first line.
constexpr size_t kEncodedWordBytes = 42;

// One header field, folded before a blank wherever a line would pass 78
// characters. Pieces are never broken, so a line grows longer only where a
// piece is longer than a line.
class HeaderField {
public:
    explicit HeaderField(std::string_view name) : text_(std::string(name) + ":") {
        line_ = text_.size();
    }
    // A piece after a blank, at which the line may fold.
    HeaderField& add(std::string_view piece) {
        if (pieces_ > 0 && line_ + 1 + piece.size() > kFoldAt) {
            text_ += "\r\n";
            line_ = 0;
        }
        text_ += ' ';
        text_.append(piece);
        line_ += 1 + piece.size();
        ++pieces_;
        return *this;
    }
    HeaderField& add_all(const std::vector<std::string>& pieces) {
        for (const std::string& piece : pieces) add(piece);
        return *this;
    }
    std::string done() const { return text_ + "\r\n"; }

private:
    std::string text_;
    size_t line_ = 0;
    int pieces_ = 0;
};

// RFC 2047 encoded words of whole UTF-8 characters, each short enough for
// any line.
std::vector<std::string> encoded_words(std::string_view text) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start + character_length(text, start);
        while (end < text.size() && end + character_length(text, end) - start <= kEncodedWordBytes)
            end += character_length(text, end);
        words.push_back("=?UTF-8?B?" +
                        QByteArray(text.data() + start, static_cast<qsizetype>(end - start))
                            .toBase64()
                            .toStdString() +
                        "?=");
        start = end;
    }
    return words;
}

// Text that a reader takes as it is: printable ASCII, with nothing that it
// would decode as an encoded word.
bool reads_as_written(std::string_view text) {
    return is_plain_ascii(text) && text.find("=?") == std::string_view::npos;
}

// The words of a text that folding at its blanks brings back as it was: it
// has no blank at its ends or next to another, and no word longer than room.
// Nothing when it has no such words.
std::optional<std::vector<std::string>> foldable_words(std::string_view text, size_t room) {
    if (!reads_as_written(text) || text.empty() || text.front() == ' ' || text.back() == ' ' ||
        text.find("  ") != std::string_view::npos)
        return std::nullopt;
    std::vector<std::string> words;
    for (size_t start = 0;;) {
        size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        if (end - start > room) return std::nullopt;
        words.emplace_back(text.substr(start, end - start));
        if (end == text.size()) return words;
        start = end + 1;
    }
}

// The pieces of an unstructured text such as the subject: its own words
// where they fold, else encoded words.
std::vector<std::string> text_pieces(std::string_view text) {
    if (auto words = foldable_words(text, kFirstLineRoom)) return *words;
    return encoded_words(text);
}

// The mailbox's pieces; after goes at the end of the last one (the "," that
// separates it from the next).
std::vector<std::string> mailbox_pieces(const Mailbox& box, const char* after = "") {
    // Readers refuse a display name holding a line break, even encoded.
    std::string name = box.name;
    for (char& c : name)
        if (is_control(static_cast<unsigned char>(c))) c = ' ';
    std::string escaped;
    for (char c : name) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    // A quoted string folds at its blanks; "From: " is the longest name a
    // mailbox follows, and the quotes take two more.
    std::vector<std::string> pieces;
    if (auto words = foldable_words(escaped, kFoldAt - 6 - 2)) {
        pieces = std::move(*words);
        pieces.front().insert(0, 1, '"');
        pieces.back() += '"';
    } else if (!name.empty()) {
        pieces = encoded_words(name);
    }
    pieces.push_back("<" + box.address + ">" + after);
    return pieces;
}

std::string mailbox_list_header(const char* name, const std::vector<Mailbox>& boxes) {
    HeaderField field(name);
    for (size_t i = 0; i < boxes.size(); ++i)
        field.add_all(mailbox_pieces(boxes[i], i + 1 < boxes.size() ? "," : ""));
    return field.done();
}

// A name that needs no more than a quoted string.
bool is_plain_name(const std::string& name) {
    return is_plain_ascii(name) && name.find_first_of("\"\\") == std::string::npos;
}

// The name with every character that a quoted string cannot carry as "_",
// for readers that know only the plain parameter; cut to fit on a line, with
// its extension kept.
std::string plain_fallback(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size(); i += character_length(name, i)) {
        const auto c = static_cast<unsigned char>(name[i]);
        out += c >= 0x80 || is_control(c) || c == '"' || c == '\\' ? '_' : static_cast<char>(c);
    }
    constexpr size_t kRoom = kFoldAt - 1 - std::char_traits<char>::length("name=\"\"");
    if (out.size() <= kRoom) return out;
    const size_t dot = out.rfind('.');
    const std::string extension =
        dot != std::string::npos && out.size() - dot <= 10 ? out.substr(dot) : std::string();
    return out.substr(0, kRoom - extension.size()) + extension;
}

// A character in an RFC 2231 extended value: UTF-8, percent-encoded outside
// the attribute characters.
std::string extended_character(std::string_view character) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : character) {
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

// The parameter as an RFC 2231 extended value (name*=UTF-8''...), or where
// that does not fit on a line as sections (name*0*=UTF-8''..., name*1*=...),
// each on a line of its own and of whole characters, which readers decode
// section by section.
std::vector<std::string> extended_parameter(const std::string& name, const std::string& value) {
    std::vector<std::string> sections;
    std::string section = "UTF-8''";
    bool begun = false;  // the section holds a character
    auto head = [&name, &sections] { return name + "*" + std::to_string(sections.size()) + "*="; };
    for (size_t i = 0; i < value.size(); i += character_length(value, i)) {
        const std::string encoded =
            extended_character(std::string_view(value).substr(i, character_length(value, i)));
        // A blank goes before the section and a ";" after it.
        if (begun && 1 + head().size() + section.size() + encoded.size() + 1 > kFoldAt) {
            sections.push_back(head() + section + ";");
            section.clear();
        }
        section += encoded;
        begun = true;
    }
    // One line is enough for the form more readers know.
    if (sections.empty() && name.size() + 2 + section.size() < kFoldAt)
        return {name + "*=" + section};
    sections.push_back(head() + section);
    return sections;
}

std::string attachment_head(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string type =
        QMimeDatabase().mimeTypeForFile(QString::fromStdString(path)).name().toStdString();
    // Both parameters of one name in one header are a defect to strict
    // readers, so the plain fallback goes with the type.
    const std::string plain = "filename=\"" + name + "\"";
    const std::vector<std::string> file_name = is_plain_name(name) && plain.size() < kFoldAt
                                                   ? std::vector<std::string>{plain}
                                                   : extended_parameter("filename", name);
    return HeaderField("Content-Type")
               .add(type + ";")
               .add("name=\"" + plain_fallback(name) + "\"")
               .done() +
           "Content-Transfer-Encoding: base64\r\n" +
           HeaderField("Content-Disposition").add("attachment;").add_all(file_name).done() + "\r\n";
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

// Watches one perform: the caller's stop test; while the TCP connection is
// being made, its own time limit; and when asked, a limit on silence, no
// reply and no byte moving.
struct Watch {
    using Clock = std::chrono::steady_clock;
    CURL* handle = nullptr;
    const StopTest* stop = nullptr;
    long tcp_limit_ms = 0;      // 0: not watched
    long silence_limit_ms = 0;  // 0: not watched
    Clock::time_point start = Clock::now();
    bool stopped = false;
    bool timed_out = false;
    std::string last_reply = {};  // the server's last reply line in this perform
    Clock::time_point last_heard = start;
    curl_off_t moved = 0;  // bytes gone either way when last asked

    static size_t reply_line(char* data, size_t size, size_t count, void* user) {
        auto* watch = static_cast<Watch*>(user);
        watch->last_heard = Clock::now();
        std::string_view line(data, size * count);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        // The answer to QUIT, which ends every session, tells nothing.
        if (line.substr(0, 3) != "221") watch->last_reply = line;
        return size * count;
    }

    static int check(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
        auto* watch = static_cast<Watch*>(user);
        if (watch->stop && *watch->stop && (*watch->stop)()) {
            watch->stopped = true;
            return 1;
        }
        const Clock::time_point now = Clock::now();
        if (down + up != watch->moved) {
            watch->moved = down + up;
            watch->last_heard = now;
        }
        if (watch->silence_limit_ms > 0 &&
            now - watch->last_heard > std::chrono::milliseconds(watch->silence_limit_ms)) {
            watch->timed_out = true;
            return 1;
        }
        if (watch->tcp_limit_ms > 0) {
            curl_off_t connected_us = 0;
            if (curl_easy_getinfo(watch->handle, CURLINFO_CONNECT_TIME_T, &connected_us) ==
                    CURLE_OK &&
                connected_us > 0) {
                watch->tcp_limit_ms = 0;
            } else if (now - watch->start > std::chrono::milliseconds(watch->tcp_limit_ms)) {
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
        // The server's replies come as header lines.
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, reply_line);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
        const CURLcode result = curl_easy_perform(handle);
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, nullptr);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, nullptr);
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, nullptr);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, nullptr);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
        return result;
    }
};

// The server's reply when it refused what was asked (a 4xx or 5xx code),
// fit for a status line; "" otherwise.
std::string refusal(const std::string& reply) {
    if (reply.size() < 3 || (reply[0] != '4' && reply[0] != '5') ||
        !std::isdigit(static_cast<unsigned char>(reply[1])) ||
        !std::isdigit(static_cast<unsigned char>(reply[2])))
        return {};
    // Servers in China answer in their own code page.
    const std::string said = text::is_valid_utf8(reply) ? reply : text::from_gbk(reply);
    constexpr size_t kLongest = 200;
    size_t end = std::min(said.size(), kLongest);
    while (end < said.size() && end > 0 && (static_cast<unsigned char>(said[end]) & 0xC0) == 0x80)
        --end;
    return text::visible_text(std::string_view(said).substr(0, end));
}

struct Cause {
    std::string text;   // in words the user can act on
    bool lost = false;  // the server dropped a connection that was made
};

// Why a perform failed.
Cause cause_of(CURLcode result, const Watch& watch) {
    if (watch.stopped) return {"已取消"};
    if (watch.timed_out) return {"服务器在时限内没有回答"};
    switch (result) {
        case CURLE_OPERATION_TIMEDOUT:
            return {"服务器在时限内没有回答"};
        case CURLE_URL_MALFORMAT:
            return {"服务器或端口无效"};
        case CURLE_COULDNT_RESOLVE_HOST:
            return {"找不到服务器"};
        case CURLE_COULDNT_CONNECT: {
            long os_error = 0;
            if (curl_easy_getinfo(watch.handle, CURLINFO_OS_ERRNO, &os_error) == CURLE_OK &&
                os_error == ECONNREFUSED)
                return {"服务器拒绝连接"};
            return {"无法建立网络连接"};
        }
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
            return {"服务器的证书不受信任"};
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CRL_BADFILE:
            return {"无法读取受信任的证书文件"};
        case CURLE_USE_SSL_FAILED:
            return {"服务器不提供加密连接（STARTTLS），密码不能明文发送"};
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
            return {"无法建立加密连接"};
        case CURLE_LOGIN_DENIED:
        case CURLE_AUTH_ERROR:
            return {"登录被拒绝"};
        case CURLE_OUT_OF_MEMORY:
            return {"内存不足"};
        // What the server answered, or that it went away before it did.
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
        case CURLE_UPLOAD_FAILED: {
            if (const std::string refused = refusal(watch.last_reply); !refused.empty())
                return {"服务器拒绝：" + refused};
            if (result == CURLE_WEIRD_SERVER_REPLY) return {"服务器的回答无法理解"};
            return {"服务器断开了连接", true};
        }
        default:
            return {"与服务器通信失败（错误 " + std::to_string(static_cast<int>(result)) + "）"};
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
    lost_ = false;
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
    Watch watch{handle, &stop, std::max(1L, clamp_long(options_.connect_timeout_ms))};
    const CURLcode result = watch.perform();
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, nullptr);
    if (result != CURLE_OK) {
        const Cause cause = cause_of(result, watch);
        failure_ = cause.text;
        lost_ = cause.lost;
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
    lost_ = false;
    if (!connection_) return "没有连接邮件服务器";
    const MailboxList to = parse_mailboxes(recipients);
    const MailboxList copies = parse_mailboxes(cc);
    const MailboxList hidden = parse_mailboxes(bcc);
    for (const MailboxList* list : {&to, &copies, &hidden})
        if (list->refused) return "收信人地址无效：" + text::visible_text(*list->refused);
    if (to.empty() && copies.empty() && hidden.empty()) return "没有收信人地址";
    if (sender.empty()) return "没有发信人地址";
    if (!is_single_address(sender)) return "发信人地址无效：" + text::visible_text(sender);

    std::string head = HeaderField("From").add_all(mailbox_pieces({sender_name, sender})).done();
    if (!to.empty()) head += mailbox_list_header("To", to.mailboxes);
    if (!copies.empty()) head += mailbox_list_header("Cc", copies.mailboxes);
    head += HeaderField("Subject").add_all(text_pieces(subject)).done();
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
        source.add_text(head +
                        HeaderField("Content-Type")
                            .add("multipart/mixed;")
                            .add("boundary=\"" + boundary + "\"")
                            .done() +
                        "\r\n--" + boundary + "\r\n" + text_part);
        for (const std::string& path : attachments) {
            source.add_text("--" + boundary + "\r\n" + attachment_head(path));
            if (!source.add_file(path)) return "无法读取附件" + path;
        }
        source.add_text("--" + boundary + "--\r\n");
    }

    curl_slist* rcpt = nullptr;
    for (const MailboxList* list : {&to, &copies, &hidden})
        for (const Mailbox& box : list->mailboxes)
            rcpt = curl_slist_append(rcpt, ("<" + box.address + ">").c_str());
    const std::string mail_from = "<" + sender + ">";
    CURL* handle = connection_->handle;
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, mail_from.c_str());
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, MessageSource::read);
    curl_easy_setopt(handle, CURLOPT_READDATA, &source);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    // Larger pieces than the default 64 KiB: fewer calls per megabyte sent.
    curl_easy_setopt(handle, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
    // The connection ends with the send, while the watch still runs: a
    // connection left open would be closed later without it.
    curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
    // libcurl gives the closing QUIT a reply time of its own, even after the
    // server has let the last one run out: one limit on silence keeps the
    // whole send within the longer of the two limits.
    Watch watch{
        handle, &stop, 0,
        std::max(1L, clamp_long(std::max(options_.reply_timeout_ms, options_.stall_timeout_ms)))};
    const CURLcode result = watch.perform();
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(handle, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 0L);
    curl_slist_free_all(rcpt);
    if (result == CURLE_OK) return {};
    if (!source.failed_path().empty()) return "无法读取附件" + source.failed_path();
    const Cause cause = cause_of(result, watch);
    lost_ = cause.lost;
    return "邮件发送失败：" + cause.text;
}

void SmtpClient::disconnect() {
    connection_.reset();
}

}  // namespace dezu::network
