#include "platform/text/text.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>

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

// One converter of each kind per thread, reset for each use: opening one
// takes longer than converting a line.
enum class Kind { gb18030, gb18030_strict, utf8 };

UConverter* converter(Kind kind) {
    thread_local Converter gb18030 = open_converter("gb18030");
    thread_local Converter strict = [] {
        Converter c = open_converter("gb18030");
        UErrorCode status = U_ZERO_ERROR;
        if (c)
            ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                                &status);
        return U_SUCCESS(status) ? std::move(c) : nullptr;
    }();
    thread_local Converter utf8 = open_converter("utf-8");
    UConverter* c = kind == Kind::utf8      ? utf8.get()
                    : kind == Kind::gb18030 ? gb18030.get()
                                            : strict.get();
    if (c) ucnv_reset(c);
    return c;
}

// Converts between two ICU converters through UTF-16, substituting what
// cannot be converted rather than failing.
std::string convert(Kind to_kind, Kind from_kind, std::string_view input) {
    if (input.empty()) return {};
    UConverter* from = converter(from_kind);
    UConverter* to = converter(to_kind);
    if (!from || !to) return {};
    UErrorCode status = U_ZERO_ERROR;
    // GB18030 needs at most 4 bytes per UTF-16 unit; UTF-8 at most 3.
    std::string out(input.size() * 4 + 8, '\0');
    char* target = out.data();
    const char* source = input.data();
    ucnv_convertEx(to, from, &target, out.data() + out.size(), &source, input.data() + input.size(),
                   nullptr, nullptr, nullptr, nullptr, true, true, &status);
    if (U_FAILURE(status)) return {};
    out.resize(static_cast<std::size_t>(target - out.data()));
    return out;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string to_gbk(std::string_view utf8) {
    if (!is_valid_utf8(utf8)) return std::string(utf8);
    return convert(Kind::gb18030, Kind::utf8, utf8);
}

std::string from_gbk(std::string_view gbk) {
    return convert(Kind::utf8, Kind::gb18030, gbk);
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

// Nothing when the bytes are not GB18030 throughout.
std::optional<std::u16string> gb18030_to_utf16(std::string_view bytes) {
    UConverter* c = converter(Kind::gb18030_strict);
    if (!c) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    std::u16string out(bytes.size() + 1, u'\0');
    const int32_t length = ucnv_toUChars(c, out.data(), static_cast<int32_t>(out.size()),
                                         bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<std::size_t>(length));
    return out;
}

bool is_valid_gb18030(std::string_view bytes) {
    return gb18030_to_utf16(bytes).has_value();
}

bool is_ascii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::vector<UChar32> code_points(std::string_view utf8) {
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    std::vector<UChar32> out;
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(s, i, length, c);
        out.push_back(c);
    }
    return out;
}

// GBK pairs read as UTF-8 give code points below U+0800 of every block in
// turn; real text there is letters of one alphabet. The sets are the letters
// that languages written with them use, not whole blocks.
enum class Script { none, latin, greek, cyrillic, cyrillic_rare, hebrew, arabic };

Script letter_script(UChar32 c) {
    if (c < 0x80) return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ? Script::latin : Script::none;
    if ((c >= 0xC0 && c <= 0x17F && c != 0xD7 && c != 0xF7) || (c >= 0x1CD && c <= 0x1DC) ||
        c == 0x1A0 || c == 0x1A1 || c == 0x1AF || c == 0x1B0 || (c >= 0x218 && c <= 0x21B))
        return Script::latin;
    if (c >= 0x386 && c <= 0x3CE && c != 0x387 && c != 0x38B && c != 0x38D && c != 0x3A2)
        return Script::greek;
    if ((c >= 0x400 && c <= 0x45F) || c == 0x490 || c == 0x491) return Script::cyrillic;
    if (c >= 0x460 && c <= 0x52F) return Script::cyrillic_rare;
    if (c >= 0x5D0 && c <= 0x5EA) return Script::hebrew;
    if ((c >= 0x620 && c <= 0x64A) || (c >= 0x671 && c <= 0x6D3)) return Script::arabic;
    return Script::none;
}

// The combining marks of decomposed text, by the letters they follow.
Script mark_script(UChar32 c) {
    if ((c >= 0x300 && c <= 0x30C) || c == 0x323 || c == 0x327 || c == 0x328) return Script::latin;
    if (c >= 0x591 && c <= 0x5C7) return Script::hebrew;
    if ((c >= 0x64B && c <= 0x65F) || c == 0x670) return Script::arabic;
    return Script::none;
}

bool mark_fits(Script mark, Script letter) {
    if (mark != Script::latin) return mark == letter;
    return letter == Script::latin || letter == Script::greek || letter == Script::cyrillic ||
           letter == Script::cyrillic_rare;
}

// Three- and four-byte characters that text is written with: CJK, kana,
// Hangul, punctuation, symbols, full-width forms, Vietnamese, emoji.
bool is_common_wide(UChar32 c) {
    static constexpr std::pair<UChar32, UChar32> kRanges[] = {
        {0x1E00, 0x1EFF},   {0x2000, 0x206F}, {0x20A0, 0x20CF}, {0x2100, 0x27BF},
        {0x2E80, 0x2FDF},   {0x3000, 0x312F}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3},
        {0xF900, 0xFAFF},   {0xFE30, 0xFE4F}, {0xFF00, 0xFFEF}, {0x1F000, 0x1FAFF},
        {0x20000, 0x2FA1F},
    };
    return std::any_of(std::begin(kRanges), std::end(kRanges),
                       [c](const auto& r) { return c >= r.first && c <= r.second; });
}

// Symbols that stand beside ASCII or wide text: « » ° © ® ·.
bool is_companion_symbol(UChar32 c) {
    return c == 0xAB || c == 0xBB || c == 0xB0 || c == 0xA9 || c == 0xAE || c == 0xB7;
}

enum class Evidence { against, weak, strong };

// How much a valid UTF-8 text looks like UTF-8 writing rather than GBK bytes.
// Strong: a word of two or more letters with one beyond ASCII, or a character
// of three or four bytes. Weak: only lone non-ASCII letters, as "é" in
// "é.jpg", which one GBK character ("茅") gives as well.
Evidence utf8_evidence(std::string_view utf8) {
    const std::vector<UChar32> cps = code_points(utf8);
    const std::size_t n = cps.size();
    bool strong = false;
    for (std::size_t i = 0; i < n;) {
        const UChar32 c = cps[i];
        if (c >= 0x800) {
            if (!is_common_wide(c)) return Evidence::against;
            strong = true;
            ++i;
            continue;
        }
        const Script script = letter_script(c);
        if (script == Script::none) {
            if (c >= 0x80 && c != 0xA0) {
                auto beside = [](UChar32 x) { return (x >= 0x20 && x < 0x7F) || x >= 0x800; };
                if (!is_companion_symbol(c) ||
                    !((i > 0 && beside(cps[i - 1])) || (i + 1 < n && beside(cps[i + 1]))))
                    return Evidence::against;
            }
            ++i;
            continue;
        }
        // One word: letters and the marks on them.
        Script word = Script::none;
        std::size_t letters = 0, ascii = 0, beyond = 0, rare = 0;
        UChar32 last = -1;
        for (; i < n; ++i) {
            const UChar32 d = cps[i];
            Script s = letter_script(d);
            if (s == Script::none) {
                const Script mark = mark_script(d);
                if (mark == Script::none) break;
                if (last < 0 || !mark_fits(mark, letter_script(last))) return Evidence::against;
                continue;
            }
            if (s == Script::cyrillic_rare) ++rare;
            if (s == Script::cyrillic_rare) s = Script::cyrillic;
            if (word != Script::none && s != word) return Evidence::against;
            word = s;
            if (last >= 0 && (d >= 0x80 || last >= 0x80) && u_isupper(d) && u_islower(last))
                return Evidence::against;
            ++letters;
            if (d < 0x80)
                ++ascii;
            else
                ++beyond;
            last = d;
        }
        // Latin words beyond ASCII alone are one letter ("à") or longer
        // ("żółć"); two such letters are far more often two GBK characters.
        if (word == Script::latin && ascii == 0 && letters == 2) return Evidence::against;
        if (word == Script::cyrillic && rare * 2 > letters - rare && rare > 0)
            return Evidence::against;
        if (beyond > 0 && letters >= 2) strong = true;
    }
    return strong ? Evidence::strong : Evidence::weak;
}

// Calls visit(line, line_break) for each line of the text.
template <typename Visit>
void for_each_line(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool has_break = end != std::string_view::npos;
        if (!has_break) end = text.size();
        std::string_view line = text.substr(start, end - start);
        std::string_view line_break = has_break ? "\n" : "";
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            line_break = has_break ? "\r\n" : "\r";
        }
        visit(line, line_break);
        start = end + 1;
    }
}

}  // namespace

bool starts_with_utf16_bom(std::string_view bytes) {
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

namespace {

// UTF-16 -> UTF-8; units that form no character become U+FFFD, and how
// many did is counted in substituted when it is given.
std::string utf16_to_utf8(std::u16string_view wide, int32_t* substituted = nullptr) {
    UErrorCode status = U_ZERO_ERROR;
    std::string out(wide.size() * 3, '\0');
    int32_t length = 0;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, wide.data(),
                       static_cast<int32_t>(wide.size()), 0xFFFD, substituted, &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return out;
}

// Bytes that are not UTF-8 become U+FFFD.
std::u16string utf8_to_utf16(std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    std::u16string out(utf8.size(), u'\0');
    int32_t length = 0;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return out;
}

// UTF-16 bytes after the mark -> UTF-8. Units that form no character become
// U+FFFD and mark the text as damaged; a last odd byte is dropped.
std::string utf8_from_utf16(std::string_view bytes, bool big_endian, bool& damaged) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] =
            static_cast<char16_t>(big_endian ? (first << 8 | second) : (second << 8 | first));
    }
    int32_t substituted = 0;
    std::string out = utf16_to_utf8(units, &substituted);
    damaged = bytes.size() % 2 != 0 || substituted > 0;
    return out;
}

// UTF-8 -> UTF-16 bytes behind their mark.
std::string utf16_from_utf8(std::string_view utf8, bool big_endian) {
    const std::u16string units = utf8_to_utf16(utf8);
    std::string out;
    out.reserve(units.size() * 2 + 2);
    const auto put = [&](char16_t unit) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out += big_endian ? high : low;
        out += big_endian ? low : high;
    };
    put(0xFEFF);
    for (const char16_t unit : units) put(unit);
    return out;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// A text's form and what is split into its lines: the bytes after a UTF-8
// mark, or UTF-16 decoded.
struct Body {
    TextForm form;
    std::string_view bytes;
    std::string decoded;
    std::string_view text() const { return form.utf16() ? std::string_view(decoded) : bytes; }
};

Body body_of(std::string_view bytes) {
    Body body;
    TextForm& form = body.form;
    if (starts_with_utf16_bom(bytes)) {
        form.bom = true;
        const bool big_endian = bytes.front() == '\xFE';
        form.encoding = big_endian ? Encoding::utf16be : Encoding::utf16le;
        body.decoded = utf8_from_utf16(bytes.substr(2), big_endian, form.damaged);
        // The mark of UTF-32, which is not read.
        if (bytes.starts_with(std::string_view("\xFF\xFE\0\0", 4))) form.damaged = true;
        form.non_ascii = !is_ascii(body.decoded);
        return body;
    }
    form.bom = bytes.starts_with(kUtf8Bom);
    body.bytes = form.bom ? bytes.substr(kUtf8Bom.size()) : bytes;
    int utf8_votes = 0, gbk_votes = 0;
    bool weak = false;
    for_each_line(body.bytes, [&](std::string_view line, std::string_view) {
        if (is_ascii(line)) return;
        form.non_ascii = true;
        const bool utf8 = is_valid_utf8(line), gbk = is_valid_gb18030(line);
        if (utf8 && !gbk) ++utf8_votes;
        if (gbk && !utf8) ++gbk_votes;
        if (utf8 && gbk) {
            const Evidence e = utf8_evidence(line);
            if (e == Evidence::strong) ++utf8_votes;
            if (e == Evidence::against) ++gbk_votes;
            if (e == Evidence::weak) weak = true;
        }
    });
    // The mark settles a tie only: GBK lines behind it stay GBK.
    if (utf8_votes > gbk_votes ||
        (utf8_votes == gbk_votes && (form.bom || (utf8_votes == 0 && weak))))
        form.encoding = Encoding::utf8;
    return body;
}

}  // namespace

TextForm text_form(std::string_view bytes) {
    return body_of(bytes).form;
}

TextLines split_lines(std::string_view bytes) {
    const Body body = body_of(bytes);
    TextLines split;
    split.form = body.form;
    const std::string_view text = body.text();
    if (text.find('\n') != std::string_view::npos && text.find("\r\n") == std::string_view::npos)
        split.line_break = "\n";
    for_each_line(text,
                  [&](std::string_view line, std::string_view) { split.lines.emplace_back(line); });
    return split;
}

std::vector<std::string> line_readings(std::string_view line, const TextForm& form) {
    if (is_ascii(line)) return {std::string(line)};
    // Windows names a file by the GBK of its name.
    if (form.utf16()) return {std::string(line), to_gbk(line)};
    const bool utf8 = is_valid_utf8(line), gbk = is_valid_gb18030(line);
    if (!gbk) return {std::string(line)};  // UTF-8, or kept as its bytes
    std::string as_gbk = from_gbk(line);
    // A name unpacked from a Chinese archive is these very bytes.
    if (!utf8) return {std::move(as_gbk), std::string(line)};
    // In a text that is UTF-8 as a whole, so is each line that can be; in the
    // program's own GB18030 files a line needs clear signs of UTF-8.
    const bool prefer_utf8 =
        form.encoding == Encoding::utf8 ? true : utf8_evidence(line) == Evidence::strong;
    if (prefer_utf8) return {std::string(line), std::move(as_gbk)};
    return {std::move(as_gbk), std::string(line)};
}

std::optional<std::string> encode_line(std::string_view line, const TextForm& form) {
    if (form.encoding == Encoding::gbk) return to_gbk(line);
    if (form.encoding == Encoding::utf8 || is_valid_utf8(line)) return std::string(line);
    if (is_valid_gb18030(line)) return from_gbk(line);
    return std::nullopt;
}

std::string encode_text(const std::vector<std::string>& lines, const TextForm& form,
                        std::string_view line_break) {
    std::string text = form.bom && !form.utf16() ? std::string(kUtf8Bom) : std::string();
    for (const std::string& line : lines) {
        text += line;
        text += line_break;
    }
    if (form.utf16()) return utf16_from_utf8(text, form.encoding == Encoding::utf16be);
    return text;
}

namespace {

// A GB18030 file with no line that reads as UTF-8 too (GBK text saved on
// Chinese Windows, or by this program) reads every line as GB18030, and no
// line break falls inside a GB18030 character: the whole text decodes at once.
std::optional<std::u16string> decode_gb18030_throughout(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom) || starts_with_utf16_bom(bytes)) return std::nullopt;
    bool reads_as_utf8 = false;
    for_each_line(bytes, [&](std::string_view line, std::string_view) {
        reads_as_utf8 = reads_as_utf8 || (!is_ascii(line) && is_valid_utf8(line));
    });
    if (reads_as_utf8) return std::nullopt;
    return gb18030_to_utf16(bytes);
}

std::string decode_lines_of(std::string_view bytes) {
    Body body = body_of(bytes);
    if (body.form.utf16()) return std::move(body.decoded);
    std::string out;
    for_each_line(body.bytes, [&](std::string_view line, std::string_view line_break) {
        out += line_readings(line, body.form).front();
        out += line_break;
    });
    return out;
}

}  // namespace

std::string decode_file_text(std::string_view bytes) {
    if (auto whole = decode_gb18030_throughout(bytes)) return utf16_to_utf8(*whole);
    return decode_lines_of(bytes);
}

std::u16string decode_file_text_utf16(std::string_view bytes) {
    if (auto whole = decode_gb18030_throughout(bytes)) return std::move(*whole);
    return utf8_to_utf16(decode_lines_of(bytes));
}

std::vector<std::string> decode_lines(
    std::string_view bytes, const std::function<bool(const std::string&)>& names_existing) {
    const Body body = body_of(bytes);
    std::vector<std::string> lines;
    for_each_line(body.text(), [&](std::string_view line, std::string_view) {
        if (!names_existing) {
            lines.push_back(line_readings(line, body.form).front());
            return;
        }
        std::vector<std::string> readings = line_readings(line, body.form);
        std::size_t pick = 0;
        for (std::size_t i = 0; readings.size() > 1 && i < readings.size(); ++i)
            if (names_existing(readings[i])) {
                pick = i;
                break;
            }
        lines.push_back(std::move(readings[pick]));
    });
    return lines;
}

std::string shown_path(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view name = path.substr(start, end - start);
        if (is_ascii(name) || (is_valid_utf8(name) && (utf8_evidence(name) != Evidence::against ||
                                                       !is_valid_gb18030(name))))
            out += name;
        else
            out += from_gbk(name);
        if (end < path.size()) out += '/';
        start = end + 1;
    }
    return out;
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

namespace {

// The length of a control character starting at i, or 0 when there is none.
std::size_t control_length(std::string_view text, std::size_t i) {
    const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
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
    for (std::size_t i = 0; i < text.size(); ++i)
        if (control_length(text, i) > 0) return true;
    return false;
}

std::string visible_text(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = control_length(text, i)) {
            out += "\xef\xbf\xbd";
            i += n;
        } else {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace dezu::text
