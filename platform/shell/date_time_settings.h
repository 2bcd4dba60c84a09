#pragma once

namespace dezu::shell {

// Opens the desktop's date-and-time settings: the first settings program of
// the running desktop (then of any desktop) that is installed. False when none
// could be started.
[[nodiscard]] bool open_date_time_settings();

}  // namespace dezu::shell
