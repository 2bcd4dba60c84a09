#include <cstddef>
#include <cstdint>

#include "platform/settings/settings_file.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzz_file_with(data, size);
    const dezu::settings::SettingsSnapshot all = dezu::settings::read_all_settings(path);
    // Each value once more through the single-key reader, as the windows ask.
    for (const auto& [key, value] : all.values)
        (void)dezu::settings::read_setting(path, key.first, key.second);
    return 0;
}
