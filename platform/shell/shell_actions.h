#pragma once

#include <string>

class QWidget;

namespace dezu::shell {

// The system actions the program asks of the desktop. The program uses the
// desktop's own programs (DesktopShell); tests record the calls instead, since
// the real ones would power off, lock the screen or open windows of other
// programs.
class ShellActions {
public:
    virtual ~ShellActions() = default;
    virtual bool open_settings_program() = 0;
    virtual bool start_screen_saver() = 0;
    virtual void power_off() = 0;
    virtual bool open_date_time_settings() = 0;
    // A file, folder or URL, in its default program.
    virtual bool open_document(const std::string& target) = 0;
    // To the desktop's wastebasket; false when it could not be moved.
    virtual bool move_to_trash(const std::string& path) = 0;
};

class DesktopShell final : public ShellActions {
public:
    bool open_settings_program() override;
    bool start_screen_saver() override;
    void power_off() override;
    bool open_date_time_settings() override;
    bool open_document(const std::string& target) override;
    bool move_to_trash(const std::string& path) override;
};

}  // namespace dezu::shell
