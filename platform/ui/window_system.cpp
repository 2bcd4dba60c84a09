#include "platform/ui/window_system.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <optional>
#include <set>

#include "platform/ui/x11_atoms.h"

namespace dezu::ui {
namespace {

// Exists once a window manager that follows the EWMH has run.
xcb_atom_t net_active_window_atom(xcb_connection_t* c) {
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (atom == XCB_ATOM_NONE) atom = x11_atom(c, "_NET_ACTIVE_WINDOW", true);
    return atom;
}

// The window manager's active window, when it publishes one.
std::optional<xcb_window_t> net_active_window(xcb_connection_t* c, xcb_window_t root) {
    const xcb_atom_t atom = net_active_window_atom(c);
    if (atom == XCB_ATOM_NONE) return std::nullopt;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
    std::optional<xcb_window_t> window;
    if (reply && reply->type == XCB_ATOM_WINDOW && reply->format == 32 &&
        xcb_get_property_value_length(reply) >= 4)
        window = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return window;
}

// Qt learns of focus moving to another program only through focus events,
// which a window manager may not send as we expect; ask the X server as well.
// True only when X names a window that is not ours.
bool x11_focus_is_elsewhere() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return false;
    xcb_connection_t* c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    std::optional<xcb_window_t> focus = net_active_window(c, root);
    if (!focus) {
        xcb_get_input_focus_reply_t* reply =
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        if (reply) focus = reply->focus;
        std::free(reply);
    }
    if (!focus || *focus == XCB_NONE || *focus == XCB_INPUT_FOCUS_POINTER_ROOT || *focus == root)
        return false;
    std::set<xcb_window_t> ours;
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->handle()) ours.insert(static_cast<xcb_window_t>(w->winId()));
    return !ours.count(*focus);
}

// A tray click reaches us without an input event of ours, so a window manager
// that prevents focus stealing may refuse Qt's own request. Ask as a pager
// does (source 2), which stands for the user's own choice.
void x11_request_activation(QWidget* window) {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !window->windowHandle()) return;
    xcb_connection_t* c = x11->connection();
    const xcb_atom_t atom = net_active_window_atom(c);
    if (atom == XCB_ATOM_NONE) return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window->winId());
    event.type = atom;
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

}  // namespace

QPoint LiveWindowSystem::pointer_position() const {
    return QCursor::pos();
}

QRect LiveWindowSystem::screen_geometry_at(QPoint point) const {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

void LiveWindowSystem::bring_to_foreground(QWidget* window) {
    if (!window) return;
    window->raise();
    window->activateWindow();
    x11_request_activation(window);
}

QWidget* LiveWindowSystem::foreground_window() const {
    QWidget* active = QApplication::activeWindow();
    if (active && x11_focus_is_elsewhere()) return nullptr;
    return active;
}

}  // namespace dezu::ui
