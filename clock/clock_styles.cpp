#include "clock/clock_styles.h"

#include "assets/assets.h"

namespace dezu::clock {

namespace {

template <class Table>
auto find_caption(const Table& table, const std::string& caption) -> decltype(&table[0]) {
    for (const auto& entry : table)
        if (caption == entry.caption) return &entry;
    return nullptr;
}

}  // namespace

const DigitStyle* find_digit_style(const std::string& caption) {
    return find_caption(kDigitStyles, caption);
}

const BackgroundSkin* find_background_skin(const std::string& caption) {
    return find_caption(kBackgroundSkins, caption);
}

std::string default_chime_sound() {
    return dezu::assets::asset_bytes("chime.wav");
}

}  // namespace dezu::clock
