#include "player/volume_control.h"

#include <cmath>

namespace dezu::player {

int width_for_level(int level) {
    return int(std::trunc(double(level) / kVolumeTop * kVolumeFullWidth));
}

int level_for_width(int width) {
    return int(std::trunc(double(width) / kVolumeFullWidth * kVolumeTop));
}

int wheel_level(int level, int turn) {
    if (turn > 0) return level + 5 < kVolumeTop ? level + 5 : kVolumeTop;
    return level - 5 > 1 ? level - 5 : 1;
}

double volume_for_level(int level) {
    return std::trunc(level * 2.0) / 255.0;
}

int start_width(double volume) {
    // The volume as the byte it is kept in, then as a percentage of 99.
    const long byte = std::lround(volume * 255);
    const long percent = std::lround(double(byte) / 255.0 * 99);
    return int(std::lround(double(percent) / 99.0 * kVolumeFullWidth));
}

}  // namespace dezu::player
