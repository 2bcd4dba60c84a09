#pragma once

#include <QPoint>
#include <QRect>
#include <optional>

class QWidget;

// What the desktop tells about the pointer, the screens and the foreground
// window. Tests fix the answers, since the offscreen platform has no pointer
// and no other programs.
namespace dezu::ui {

// The pointer's position on the desktop, in pixels.
QPoint pointer_position();

// The geometry of the screen that shows the point, else of the primary screen.
QRect screen_geometry_at(QPoint point);

// Raises the window above the others and asks for the keyboard focus.
void bring_to_foreground(QWidget* window);

// The program's top-level window in the foreground, or nullptr when another
// program's window (or none) is.
QWidget* foreground_window();

void set_pointer_for_test(std::optional<QPoint> position);
void set_screen_for_test(std::optional<QRect> geometry);
// A fixed foreground window; nullptr stands for another program's window.
void set_foreground_for_test(std::optional<QWidget*> window);

}  // namespace dezu::ui
