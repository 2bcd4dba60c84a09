#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)dezu::text::decode_file_text(bytes);
    return 0;
}
