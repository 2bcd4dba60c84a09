#include "mail/addresses.h"

#include "platform/text/text.h"

namespace mail {
namespace {

// The length of a control character starting at i, or 0 when there is none.
size_t control_length(std::string_view text, size_t i) {
    const auto byte = [&text](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    if (c < 0x20 || c == 0x7f) return 1;
    // C1 controls: U+0080..U+009F.
    if (c == 0xc2 && i + 1 < text.size() && byte(i + 1) >= 0x80 && byte(i + 1) <= 0x9f) return 2;
    // U+2028 and U+2029 end a line for some readers.
    if (c == 0xe2 && i + 2 < text.size() && byte(i + 1) == 0x80 &&
        (byte(i + 2) == 0xa8 || byte(i + 2) == 0xa9))
        return 3;
    return 0;
}

}  // namespace

bool has_control_character(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (control_length(text, i) > 0) return true;
    return false;
}

std::string visible_text(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (const size_t n = control_length(text, i)) {
            out += "\xef\xbf\xbd";
            i += n;
        } else {
            out += text[i++];
        }
    }
    return out;
}

Recipients split_recipients(std::string_view text) {
    Recipients result;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(",;\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view piece = dezu::text::trim(text.substr(start, end - start));
        if (!piece.empty()) {
            if (!result.refused && has_control_character(piece))
                result.refused = std::string(piece);
            result.addresses.emplace_back(piece);
        }
        start = end + 1;
    }
    return result;
}

std::string join_recipients(const std::vector<std::string>& addresses) {
    std::string joined;
    for (const std::string& address : addresses) {
        if (!joined.empty()) joined += ',';
        joined += address;
    }
    return joined;
}

}  // namespace mail
