#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace text = dezu::text;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string utf8 = text::decode_file_text(bytes);
    // The reading for the screen is the same text wherever it is text.
    const std::u16string utf16 = text::decode_file_text_utf16(bytes);
    const QString same(reinterpret_cast<const QChar*>(utf16.data()),
                       static_cast<qsizetype>(utf16.size()));
    if (text::is_valid_utf8(utf8) && same.toStdString() != utf8) __builtin_trap();
    const text::TextLines split = text::split_lines(bytes);
    for (const std::string& line : split.lines)
        for (const std::string& reading : text::line_readings(line, split.form))
            (void)text::encode_line(reading, split.form);
    // UTF-16 that read whole is written back to the same lines, but for a
    // line that ends in a carriage return of its own: before a bare line
    // feed it reads back as a line break, which no line of a list can hold.
    const bool breaks_inside = std::any_of(split.lines.begin(), split.lines.end(),
                                           [](const std::string& l) { return l.ends_with('\r'); });
    const std::string again = text::encode_text(split.lines, split.form, split.line_break);
    if (split.form.utf16() && !split.form.damaged && !breaks_inside &&
        text::split_lines(again).lines != split.lines)
        __builtin_trap();
    return 0;
}
