#pragma once

#include <QIcon>
#include <string>

namespace dezu::ui {

// Every picture that icon file bytes (or any picture file) hold, each size
// kept; a null icon when nothing in them can be read as a picture.
QIcon icon_from_bytes(const std::string& bytes);

// The same for a file; a missing or unreadable file gives a null icon.
QIcon icon_from_file(const std::string& path);

}  // namespace dezu::ui
