#pragma once

#include <string>

class QSystemTrayIcon;

namespace dezu::ui {

class Form;

// Puts the program's notification-area icon in place, with its notifications
// (every activation reason) going to the window's on_tray_notification. A
// desktop whose tray is not up yet is retried for a while.
void set_tray_icon(Form* window, const std::string& icon_path, const std::string& tip);

// With the window alone: removes the icon.
void set_tray_icon(Form* window);

// The icon while it is in place, else nullptr.
QSystemTrayIcon* current_tray_icon();

}  // namespace dezu::ui
