#pragma once

#include <string>

class QWidget;

namespace dezu::ui {
class Prompts;
}

namespace dezu::shell {

// The system actions the program asks of the desktop. The program uses the
// desktop's own programs (DesktopShell); tests record the calls instead, since
// the real ones would power off, lock the screen or open windows of other
// programs.
class ShellActions {
public:
    virtual ~ShellActions() = default;
    [[nodiscard]] virtual bool open_settings_program() = 0;
    [[nodiscard]] virtual bool start_screen_saver() = 0;
    virtual void power_off() = 0;
    [[nodiscard]] virtual bool open_date_time_settings() = 0;
    // Our own Run dialog, kept by its owner window between showings.
    virtual void show_run_dialog(QWidget* owner) = 0;
    // A file, folder or URL, in its default program.
    [[nodiscard]] virtual bool open_document(const std::string& target) = 0;
    // To the desktop's wastebasket; false when it could not be moved.
    [[nodiscard]] virtual bool move_to_trash(const std::string& path) = 0;
};

class DesktopShell final : public ShellActions {
public:
    // The prompts the Run dialog asks through.
    explicit DesktopShell(ui::Prompts& prompts) : prompts_(prompts) {}

    [[nodiscard]] bool open_settings_program() override;
    [[nodiscard]] bool start_screen_saver() override;
    void power_off() override;
    [[nodiscard]] bool open_date_time_settings() override;
    void show_run_dialog(QWidget* owner) override;
    [[nodiscard]] bool open_document(const std::string& target) override;
    [[nodiscard]] bool move_to_trash(const std::string& path) override;

private:
    ui::Prompts& prompts_;
};

}  // namespace dezu::shell
