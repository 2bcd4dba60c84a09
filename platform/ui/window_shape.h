#pragma once

#include <QColor>
#include <optional>
#include <string>

class QWidget;

namespace dezu::ui {

// Gives a top-level window the outline of a picture (a whole picture file's
// bytes): every pixel of the key colour (pure white when none is given) lies
// outside the window. A picture that cannot be read, or that is all key
// colour, leaves the window rectangular.
void shape_window_from_picture(QWidget* window, const std::string& picture,
                               std::optional<QColor> key = std::nullopt);

}  // namespace dezu::ui
