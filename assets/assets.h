#pragma once

#include <string>

namespace dezu::assets {

// The bytes of an embedded artwork file (a name in assets/files, such as
// "net.ico"); empty when there is no such file.
std::string asset_bytes(const std::string& name);

}  // namespace dezu::assets
