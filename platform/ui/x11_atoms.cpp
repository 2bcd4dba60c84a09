#include "platform/ui/x11_atoms.h"

#include <cstdlib>
#include <cstring>

namespace dezu::ui {

xcb_atom_t x11_atom(xcb_connection_t* connection, const char* name, bool only_if_exists) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, only_if_exists ? 1 : 0, std::strlen(name), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

}  // namespace dezu::ui
