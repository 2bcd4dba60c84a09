#include "platform/shell/trash.h"

// No Qt here: GIO's headers use a name that Qt takes for a macro.
#include <gio/gio.h>

namespace dezu::shell {

bool move_to_trash(const std::string& path) {
    // A relative name would be taken from wherever the program was started.
    if (path.empty() || path.front() != '/') return false;
    // GIO keeps the name's bytes, where QString would replace those that are
    // not UTF-8 and name some other file.
    GFile* file = g_file_new_for_path(path.c_str());
    GError* error = nullptr;
    const bool moved = g_file_trash(file, nullptr, &error);
    if (error) g_error_free(error);
    g_object_unref(file);
    return moved;
}

}  // namespace dezu::shell
