#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace dezu::network {

struct WebPageLimits {
    long connect_timeout_ms = 10'000;
    long total_timeout_ms = 30'000;
    long max_redirects = 5;
    std::size_t max_body_bytes = 32u << 20;
};

// The body of the page at an http or https address, decoded to UTF-8 by the
// charset of its Content-Type or, failing that, of its <meta> tag. Empty when
// nothing could be fetched: no connection, a time-out, too many redirects, an
// error status (400 and up), or a body over the size limit. Blocks until done.
[[nodiscard]] std::string fetch_web_page(const std::string& address);
[[nodiscard]] std::string fetch_web_page(const std::string& address, const WebPageLimits& limits);
// The same, given up (empty) within a second of stop() answering true, for a
// fetch that runs off the UI thread and may be cancelled.
[[nodiscard]] std::string fetch_web_page(const std::string& address, const WebPageLimits& limits,
                                         const std::function<bool()>& stop);

// A page body in UTF-8, given the Content-Type it came with ("" when none).
// Without a known charset, UTF-8 is kept as it is and anything else is read
// as GB18030, the usual encoding of Chinese pages.
std::string decode_web_page(std::string_view body, std::string_view content_type);

}  // namespace dezu::network
