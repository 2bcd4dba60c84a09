#pragma once

#include <QSize>
#include <functional>
#include <mutex>
#include <string>

#include "platform/desktop/desktop_setter.h"

// One change of the desktop's wallpaper: the picture converted when it is no
// BMP, then handed to the desktop. Runs off the UI thread.
namespace dezu::wallpaper {

struct ChangeRequest {
    std::string picture;  // the listed path, in its own bytes; empty removes the wallpaper
    int style = desktop::kStretch;
    std::string folder;  // the program folder, ending in "/"
    QSize screen_size;   // that every screen fits in; empty when not known
};

struct ChangeResult {
    std::string picture;     // as asked
    std::string handed;      // the path the desktop was given
    bool converted = false;  // WALLPAPER.BMP holds the picture
    bool taken = false;      // the desktop took it
};

// The names the desktop is handed, one after the other. Settings stores tell
// the desktop only of a value that differs from the one they hold, so a
// picture converted to the same WALLPAPER.BMP each time needs a name that
// changes; and their texts are UTF-8, so a path that is not needs a name that
// is. Changes run one at a time through this.
class HandOver {
public:
    std::mutex& serial() { return serial_; }
    // The name in the folder that the desktop was not handed last. Callers
    // hold serial().
    std::string next_name(const std::string& folder);

private:
    std::mutex serial_;
    std::string last_;
};

// Where the names handed to the desktop are made, ending in "/": the program
// folder, or when that is not UTF-8, a folder of this program folder's own in
// the user's data folder, which lasts as the desktop's setting does. The
// program folder still when no such folder can be made.
std::string hand_over_folder(const std::string& program_folder);

// Whether the listed path goes to the desktop as it is: its last four bytes
// are ".BMP" in any case.
bool is_bmp_path(const std::string& path);

// The whole change. stop() is asked between the steps: when it turns true,
// nothing more is written or set, and the result says nothing was taken.
ChangeResult carry_out_change(const ChangeRequest& request, desktop::DesktopSetter& desktop,
                              HandOver& hand_over, const std::function<bool()>& stop);

}  // namespace dezu::wallpaper
