#include "app/autostart_sync.h"

#include "platform/autostart/autostart.h"
#include "platform/services.h"

namespace dezu::app {

bool sync_autostart_value(const dezu::ProgramSite& site) {
    const std::string full_path = site.program_path();
    if (dezu::autostart::autostart_exists() && dezu::autostart::read_autostart() == full_path)
        return true;
    return dezu::autostart::write_autostart(full_path);
}

bool delete_autostart_value() {
    return !dezu::autostart::autostart_exists() || dezu::autostart::delete_autostart();
}

}  // namespace dezu::app
