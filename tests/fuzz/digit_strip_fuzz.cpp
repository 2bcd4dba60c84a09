#include <cstddef>
#include <cstdint>
#include <string>

#include "clock/digit_strip.h"

using dezu::clock::image_from_strip;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string strip(reinterpret_cast<const char*>(data), size);
    // The styles hold the ten digits, the colon and a blank.
    for (int n = -1; n <= 12; ++n) (void)image_from_strip(strip, n);
    return 0;
}
