#pragma once

#include <string>

// The digit styles' picture lists: "MITL", a tag word and an image-list
// stream whose colour bitmap and 1-bit mask hold the pictures in a grid.

namespace dezu::clock {

// Picture n (from 0) of the strip as a PNG picture block, with the pixels the
// mask marks transparent made transparent. Empty when the strip is damaged,
// too short or has no such picture; nothing outside the strip is ever read.
std::string image_from_strip(const std::string& strip, int n);

}  // namespace dezu::clock
