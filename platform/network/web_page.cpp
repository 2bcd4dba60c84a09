#include "platform/network/web_page.h"

#include <curl/curl.h>
#include <unicode/ucnv.h>

#include <QString>
#include <memory>
#include <mutex>

#include "platform/text/text.h"

namespace dezu::network {
namespace {

struct Download {
    std::string body;
    std::size_t limit = 0;
    bool too_big = false;
};

std::size_t take_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto* download = static_cast<Download*>(user);
    const std::size_t bytes = size * count;
    if (download->body.size() + bytes > download->limit) {
        download->too_big = true;
        return 0;  // aborts the transfer
    }
    download->body.append(data, bytes);
    return bytes;
}

struct CurlCloser {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

int ask_to_stop(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return (*static_cast<const std::function<bool()>*>(user))() ? 1 : 0;
}

void init_curl_once() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The value of a "charset=" parameter, lower case, without quotes.
std::string charset_after(std::string_view text, std::size_t at) {
    at += 8;  // "charset="
    while (at < text.size() && (text[at] == ' ' || text[at] == '"' || text[at] == '\'')) ++at;
    std::size_t end = at;
    while (end < text.size()) {
        const char c = text[end];
        if (c == '"' || c == '\'' || c == ';' || c == ' ' || c == '>' || c == '/' || c == ',')
            break;
        ++end;
    }
    return text::ascii_lower(text.substr(at, end - at));
}

std::string charset_of_content_type(std::string_view content_type) {
    const std::string lower = text::ascii_lower(content_type);
    const std::size_t at = lower.find("charset=");
    return at == std::string::npos ? std::string() : charset_after(lower, at);
}

// The charset a <meta> tag near the top of the page names, if any.
std::string charset_of_meta(std::string_view body) {
    const std::string head = text::ascii_lower(body.substr(0, 8192));
    for (std::size_t meta = head.find("<meta"); meta != std::string::npos;
         meta = head.find("<meta", meta + 5)) {
        const std::size_t end = head.find('>', meta);
        const std::string_view tag =
            std::string_view(head).substr(meta, end == std::string::npos ? end : end - meta);
        std::size_t at = tag.find("charset");
        if (at == std::string_view::npos) continue;
        std::size_t eq = at + 7;
        while (eq < tag.size() && tag[eq] == ' ') ++eq;
        if (eq >= tag.size() || tag[eq] != '=') continue;
        // Rewritten as "charset=" with the blanks before "=" dropped.
        std::string normal = "charset=" + std::string(tag.substr(eq + 1));
        std::string name = charset_after(normal, 0);
        if (!name.empty()) return name;
    }
    return {};
}

bool is_gbk_family(const std::string& name) {
    return name == "gbk" || name == "gb2312" || name == "gb18030" || name == "x-gbk" ||
           name == "cp936" || name == "windows-936" || name == "euc-cn" || name == "x-euc-cn";
}

// Any other charset ICU knows; ok is false when ICU does not know it.
std::string convert_with_icu(std::string_view body, const std::string& charset, bool& ok) {
    ok = false;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = ucnv_convert("utf-8", charset.c_str(), nullptr, 0, body.data(),
                                        static_cast<int32_t>(body.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return {};
    std::string out(static_cast<std::size_t>(needed) + 1, '\0');
    status = U_ZERO_ERROR;
    const int32_t written =
        ucnv_convert("utf-8", charset.c_str(), out.data(), static_cast<int32_t>(out.size()),
                     body.data(), static_cast<int32_t>(body.size()), &status);
    if (U_FAILURE(status)) return {};
    out.resize(static_cast<std::size_t>(written));
    ok = true;
    return out;
}

std::string sanitized_utf8(std::string_view body) {
    if (text::is_valid_utf8(body)) return std::string(body);
    return QString::fromUtf8(body.data(), static_cast<qsizetype>(body.size())).toStdString();
}

}  // namespace

std::string decode_web_page(std::string_view body, std::string_view content_type) {
    if (body.starts_with("\xEF\xBB\xBF")) return sanitized_utf8(body.substr(3));
    std::string charset = charset_of_content_type(content_type);
    if (charset.empty()) charset = charset_of_meta(body);
    if (charset.empty()) return text::decode_file_text(body);
    if (charset == "utf-8" || charset == "utf8") return sanitized_utf8(body);
    if (is_gbk_family(charset)) return text::from_gbk(body);
    bool ok = false;
    std::string converted = convert_with_icu(body, charset, ok);
    return ok ? converted : text::decode_file_text(body);
}

std::string fetch_web_page(const std::string& address) {
    return fetch_web_page(address, WebPageLimits{});
}

std::string fetch_web_page(const std::string& address, const WebPageLimits& limits) {
    return fetch_web_page(address, limits, {});
}

std::string fetch_web_page(const std::string& address, const WebPageLimits& limits,
                           const std::function<bool()>& stop) {
    if (address.empty() || (stop && stop())) return {};
    init_curl_once();
    std::unique_ptr<CURL, CurlCloser> curl(curl_easy_init());
    if (!curl) return {};
    CURL* c = curl.get();
    Download download;
    download.limit = limits.max_body_bytes;
    curl_easy_setopt(c, CURLOPT_URL, address.c_str());
    // Only web pages: no local files or other schemes through this door.
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_DEFAULT_PROTOCOL, "http");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, limits.max_redirects);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, limits.connect_timeout_ms);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, limits.total_timeout_ms);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "dezu");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, take_body);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &download);
    if (stop) {
        // libcurl calls this at least once a second, even while nothing arrives.
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, ask_to_stop);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &stop);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    }
    if (curl_easy_perform(c) != CURLE_OK || download.too_big) return {};
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400) return {};
    char* content_type = nullptr;
    curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &content_type);
    return decode_web_page(download.body, content_type ? content_type : "");
}

}  // namespace dezu::network
