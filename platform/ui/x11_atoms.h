#pragma once

#include <xcb/xcb.h>

namespace dezu::ui {

// The X11 atom of that name, or XCB_ATOM_NONE. With only_if_exists the
// server makes no new atom, so a missing one tells that nobody defined it.
xcb_atom_t x11_atom(xcb_connection_t* connection, const char* name, bool only_if_exists = false);

}  // namespace dezu::ui
