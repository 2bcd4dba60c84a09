#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Texts are UTF-8 in memory. Files that other tools expect in the Chinese
// code page are written as GB18030, which is byte-identical to GBK for every
// GBK character and still loses nothing for the rest.
namespace dezu::text {

// UTF-8 -> GB18030 bytes.
std::string to_gbk(std::string_view utf8);

// GB18030 bytes -> UTF-8. Undecodable bytes become U+FFFD.
std::string from_gbk(std::string_view gbk);

// Bytes read from disk -> UTF-8: kept as they are when they are UTF-8, else
// decoded as GB18030. Short GBK texts are often valid UTF-8 by chance, made of
// two-byte sequences; such a text is taken as GBK when it also is valid GBK.
std::string decode_file_text(std::string_view bytes);
bool is_utf8_text(std::string_view bytes);

bool is_valid_utf8(std::string_view bytes);

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

}  // namespace dezu::text
