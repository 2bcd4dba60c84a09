#include <cstddef>
#include <cstdint>

#include "player/playlist_file.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)dezu::player::read_playlist_lines(fuzz_file_with(data, size));
    return 0;
}
