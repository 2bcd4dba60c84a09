#include <QString>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string utf8 = dezu::text::decode_file_text(bytes);
    // The reading for the screen is the same text wherever it is text.
    const std::u16string utf16 = dezu::text::decode_file_text_utf16(bytes);
    const QString same(reinterpret_cast<const QChar*>(utf16.data()),
                       static_cast<qsizetype>(utf16.size()));
    if (dezu::text::is_valid_utf8(utf8) && same.toStdString() != utf8) __builtin_trap();
    return 0;
}
