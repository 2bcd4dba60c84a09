#include "app/autostart_sync.h"

#include "app/globals.h"
#include "platform/autostart/autostart.h"
#include "platform/process/process.h"

std::string program_full_path() {
    return g_program_dir + dezu::process::program_file_name();
}

void sync_autostart_value() {
    const std::string full_path = program_full_path();
    if (dezu::autostart::autostart_exists() && dezu::autostart::read_autostart() == full_path)
        return;
    dezu::autostart::write_autostart(full_path);
}

void delete_autostart_value() {
    if (dezu::autostart::autostart_exists()) dezu::autostart::delete_autostart();
}
