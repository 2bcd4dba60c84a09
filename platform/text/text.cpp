#include "platform/text/text.h"

#include <unicode/ucnv.h>
#include <unicode/utf8.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

namespace dezu::text {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter open_converter(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter c(ucnv_open(name, &status));
    if (U_FAILURE(status)) return nullptr;
    return c;
}

// Converts between two ICU converters through UTF-16, substituting what
// cannot be converted rather than failing.
std::string convert(const char* to_name, const char* from_name, std::string_view input) {
    if (input.empty()) return {};
    Converter from = open_converter(from_name);
    Converter to = open_converter(to_name);
    if (!from || !to) return {};
    UErrorCode status = U_ZERO_ERROR;
    // GB18030 needs at most 4 bytes per UTF-16 unit; UTF-8 at most 3.
    std::string out(input.size() * 4 + 8, '\0');
    char* target = out.data();
    const char* source = input.data();
    ucnv_convertEx(to.get(), from.get(), &target, out.data() + out.size(), &source,
                   input.data() + input.size(), nullptr, nullptr, nullptr, nullptr, true, true,
                   &status);
    if (U_FAILURE(status)) return {};
    out.resize(static_cast<std::size_t>(target - out.data()));
    return out;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string to_gbk(std::string_view utf8) {
    return convert("gb18030", "utf-8", utf8);
}

std::string from_gbk(std::string_view gbk) {
    return convert("utf-8", "gb18030", gbk);
}

bool is_valid_utf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    int32_t length = static_cast<int32_t>(bytes.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) return false;
    }
    return true;
}

namespace {

bool is_valid_gb18030(std::string_view bytes) {
    Converter c = open_converter("gb18030");
    if (!c) return false;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::u16string out(bytes.size() + 1, u'\0');
    ucnv_toUChars(c.get(), out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                  static_cast<int32_t>(bytes.size()), &status);
    return U_SUCCESS(status);
}

// Chinese text in UTF-8 is made of three-byte sequences; two-byte sequences
// (Latin, Greek, Cyrillic, Hebrew...) are far more often GBK bytes that
// happen to be valid UTF-8.
bool has_two_byte_utf8(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0xC0 && c < 0xE0) return true;
    return false;
}

}  // namespace

bool is_utf8_text(std::string_view bytes) {
    return is_valid_utf8(bytes) && !(has_two_byte_utf8(bytes) && is_valid_gb18030(bytes));
}

std::string decode_file_text(std::string_view bytes) {
    return is_utf8_text(bytes) ? std::string(bytes) : from_gbk(bytes);
}

std::size_t gbk_length(std::string_view utf8) {
    return to_gbk(utf8).size();
}

std::string truncate_to_gbk_bytes(std::string_view utf8, std::size_t max_bytes) {
    const std::string gbk = to_gbk(utf8);
    if (gbk.size() <= max_bytes) return std::string(utf8);
    // Walk whole GB18030 characters: one byte below 0x80, four when the second
    // byte is a digit, else two.
    std::size_t end = 0;
    while (end < gbk.size()) {
        const auto lead = static_cast<unsigned char>(gbk[end]);
        std::size_t width = 1;
        if (lead >= 0x81 && end + 1 < gbk.size()) {
            const auto second = static_cast<unsigned char>(gbk[end + 1]);
            width = (second >= 0x30 && second <= 0x39) ? 4 : 2;
        }
        if (end + width > max_bytes) break;
        end += width;
    }
    return from_gbk(std::string_view(gbk).substr(0, end));
}

double numeric_value(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    std::string number(text.substr(start, i - start));
    if (number.front() == '+') number.erase(0, 1);
    if (number.back() == '.') number.pop_back();
    double value = 0.0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec != std::errc()) return 0.0;
    return value;
}

std::int32_t truncate_toward_zero(double value) {
    if (std::isnan(value)) return 0;
    const double t = std::trunc(value);
    if (t >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (t <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(t);
}

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool ends_with_ignoring_case(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           equals_ignoring_case(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && is_blank(text[b])) ++b;
    while (e > b && is_blank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

}  // namespace dezu::text
