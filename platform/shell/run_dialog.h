#pragma once

#include <QDialog>
#include <string>

class QComboBox;

namespace dezu::ui {
class Prompts;
}

namespace dezu::shell {

// Our Run dialog: a program, command line, folder, document or URL to open,
// with what was run in this session offered again. It belongs to its owner
// window, which keeps it (and so its history) between showings.
class RunDialog : public QDialog {
    Q_OBJECT
public:
    RunDialog(QWidget* owner, ui::Prompts& prompts);

    QComboBox* command() const { return command_; }

    // Runs the typed text; on success remembers it and closes, else says so.
    void run();
    // Lets the user pick a file for the text field.
    void browse();

private:
    ui::Prompts& prompts_;
    QComboBox* command_;
};

// Shows the owner's Run dialog, creating it the first time, and brings it to
// the front.
RunDialog* open_run_dialog(QWidget* owner, ui::Prompts& prompts);

// Opens a URL, folder or document with its default program, runs a program
// file, or starts a command line. False when there is nothing by that name to
// start.
[[nodiscard]] bool run_typed_target(const std::string& typed);

}  // namespace dezu::shell
