#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace dezu::ui {

// What the desktop tells about the pointer, the screens and the foreground
// window, and the one request the program makes of it. The program asks the
// live desktop; tests fix the answers, since the offscreen platform has no
// pointer and no other programs.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The pointer's position on the desktop, in pixels.
    virtual QPoint pointer_position() const = 0;

    // The geometry of the screen that shows the point, else of the primary
    // screen.
    virtual QRect screen_geometry_at(QPoint point) const = 0;

    // Raises the window above the others and asks for the keyboard focus.
    virtual void bring_to_foreground(QWidget* window) = 0;

    // The program's top-level window in the foreground, or nullptr when
    // another program's window (or none) is.
    virtual QWidget* foreground_window() const = 0;
};

class LiveWindowSystem final : public WindowSystem {
public:
    QPoint pointer_position() const override;
    QRect screen_geometry_at(QPoint point) const override;
    void bring_to_foreground(QWidget* window) override;
    QWidget* foreground_window() const override;
};

}  // namespace dezu::ui
