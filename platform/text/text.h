#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Texts are UTF-8 in memory. Files that other tools expect in the Chinese
// code page are written as GB18030, which is byte-identical to GBK for every
// GBK character and still loses nothing for the rest.
namespace dezu::text {

// UTF-8 -> GB18030 bytes. A text that is not UTF-8 (a file name's own
// bytes) is passed on as it is, so that a line read as its raw bytes is
// written back unchanged.
std::string to_gbk(std::string_view utf8);

// GB18030 bytes -> UTF-8. Undecodable bytes become U+FFFD.
std::string from_gbk(std::string_view gbk);

// Reading text files that may come from this program (GB18030) or from any
// editor (UTF-8 with or without a byte-order mark, UTF-16 with one). Short
// GBK texts are often valid UTF-8 by chance and most UTF-8 is valid GB18030,
// so a line that reads both ways is settled by the file's other lines and by
// whether its UTF-8 reading looks like real writing (letters of one script
// forming words) rather than GBK pairs that happen to decode.
enum class Encoding { gbk, utf8, utf16le, utf16be };

bool starts_with_utf16_bom(std::string_view bytes);

struct TextForm {
    bool bom = false;                   // a byte-order mark leads the text
    Encoding encoding = Encoding::gbk;  // what the text as a whole is in
    bool non_ascii = false;             // anything beyond ASCII at all
    // UTF-16 that does not decode whole (cut in a character, a lone
    // surrogate): what reads is shown, but the file is never rewritten.
    bool damaged = false;
    bool utf16() const { return encoding == Encoding::utf16le || encoding == Encoding::utf16be; }
};
TextForm text_form(std::string_view bytes);

// The lines of a text file as they stand, without their breaks: each line's
// bytes, or for UTF-16 its text as UTF-8.
struct TextLines {
    TextForm form;
    std::vector<std::string> lines;
    std::string line_break = "\r\n";  // "\n" when the file has only bare ones
};
TextLines split_lines(std::string_view bytes);

// One line of a text of the given form (as split_lines gives it) -> its
// readings, the likeliest first. A byte line reads as UTF-8 or GB18030 and
// always as its own bytes; a UTF-16 line reads as its text and as the GBK
// bytes that Windows names it by. Only different readings are given.
std::vector<std::string> line_readings(std::string_view line, const TextForm& form);

// A line in memory (UTF-8, or a file name's own bytes) as a line of a file of
// the given form: GB18030, UTF-8 as it is, or UTF-16's text. Nothing when
// UTF-16 cannot hold it (bytes that read neither as UTF-8 nor as GB18030).
std::optional<std::string> encode_line(std::string_view line, const TextForm& form);

// Lines of the given form -> the file's bytes, each line ended by the break,
// behind the form's byte-order mark.
std::string encode_text(const std::vector<std::string>& lines, const TextForm& form,
                        std::string_view line_break);

// A whole text -> UTF-8, line breaks kept, the byte-order mark dropped.
std::string decode_file_text(std::string_view bytes);
// The same reading in UTF-16, for text bound for the screen: the common
// GB18030 file then goes there in one pass.
std::u16string decode_file_text_utf16(std::string_view bytes);

// The lines of a text without their breaks ("\n" or "\r\n"), decoded. When
// `names_existing` accepts one of a line's readings, that one wins: for lists
// of paths, where the reading that names a file is the right one.
std::vector<std::string> decode_lines(
    std::string_view bytes,
    const std::function<bool(const std::string&)>& names_existing = nullptr);

bool is_valid_utf8(std::string_view bytes);

// A path as the user reads it, UTF-8: each of its names (between "/") that
// is not UTF-8 writing is read as GB18030, as names unpacked from Chinese
// archives are. Only for the screen: the path itself keeps its bytes.
std::string shown_path(std::string_view path);

// Length of a text in GBK bytes, the unit that stored lengths are counted in.
std::size_t gbk_length(std::string_view utf8);

// The longest leading part of a UTF-8 text that fits in max_bytes GBK bytes,
// never cutting a character in two.
std::string truncate_to_gbk_bytes(std::string_view utf8, std::size_t max_bytes);

// The numeric value of a text: leading blanks, an optional sign, digits and
// an optional fraction. The empty text, and a text that starts with no
// number, give 0; anything after the number is ignored ("12abc" is 12).
double numeric_value(std::string_view text);

// Truncation toward zero into a 32-bit integer, clamped at its limits
// (3.9 -> 3, -1.5 -> -1, NaN -> 0).
std::int32_t truncate_toward_zero(double value);

// ASCII-only case folding: the profile files and extensions compare names so.
std::string ascii_lower(std::string_view text);
bool equals_ignoring_case(std::string_view a, std::string_view b);
bool ends_with_ignoring_case(std::string_view text, std::string_view suffix);

// Blanks (space, tab) and line-break bytes removed from both ends.
std::string_view trim(std::string_view text);

// True when the UTF-8 text holds a C0 or C1 control character, DEL, or the
// Unicode line and paragraph separators: any of them could start a line of
// its own where the text is written.
bool has_control_character(std::string_view text);

// The text with every such character shown as U+FFFD, for a message.
std::string visible_text(std::string_view text);

}  // namespace dezu::text
