#pragma once

#include <string>

namespace dezu::shell {

// Moves a file or folder, named by its full path in its own bytes, to the
// desktop's wastebasket, with the record the file managers read to put it
// back. False when it was not moved: a relative or empty path, a missing
// file, or no wastebasket on its disk.
[[nodiscard]] bool move_to_trash(const std::string& path);

}  // namespace dezu::shell
