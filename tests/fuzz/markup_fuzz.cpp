#include <cstddef>
#include <cstdint>
#include <string_view>

#include "diary/diary_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)strip_markup(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
