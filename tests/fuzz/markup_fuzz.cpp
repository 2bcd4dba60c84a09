#include <QString>
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "diary/diary_session.h"
#include "platform/text/text.h"

using dezu::diary::strip_markup;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string stripped = strip_markup(text);
    // The markup is ASCII: stripping UTF-16 takes the same out.
    if (!dezu::text::is_valid_utf8(text)) return 0;
    // Decoded as it is, a leading byte-order mark included.
    QStringDecoder decode(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString decoded =
        decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    const std::u16string wide = strip_markup(decoded.toStdU16String());
    const QString same(reinterpret_cast<const QChar*>(wide.data()),
                       static_cast<qsizetype>(wide.size()));
    if (same.toStdString() != stripped) __builtin_trap();
    return 0;
}
