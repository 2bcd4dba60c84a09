#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_file.h"
#include "wallpaper/wallpaper_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)dezu::wallpaper::read_wallpaper_list(fuzz_file_with(data, size));
    return 0;
}
