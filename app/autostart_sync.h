#pragma once

namespace dezu {
struct ProgramSite;
}

namespace dezu::app {

// Makes the log-on start entry name this program (its folder and file name),
// writing it only when it is missing or differs, letter case included. False
// when it had to be written and could not be.
[[nodiscard]] bool sync_autostart_value(const dezu::ProgramSite& site);

// Removes the log-on start entry if there is one. False when it is there and
// could not be removed.
[[nodiscard]] bool delete_autostart_value();

}  // namespace dezu::app
