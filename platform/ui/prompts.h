#pragma once

#include <QFont>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

class QWidget;

// Every modal question the program asks goes through here, so that tests can
// answer from a script and read back what was asked.
namespace dezu::ui {

// Message box styles, combinable as on the classic platform.
inline constexpr int kMessageOk = 0;
inline constexpr int kMessageYesNo = 4;
inline constexpr int kMessageStop = 16;

enum class Button { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

enum class InputMode { Plain, Masked, WholeNumber };

// One pair of a file dialog's filter: a description and its patterns.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;  // such as "*.JPG"; matched without regard to case
};

// The Qt dialog's name filters for the pairs, each pattern made to match
// without regard to case ("*.JPG" offers a.jpg).
QStringList dialog_name_filters(const std::vector<FileFilter>& filters);

struct Prompt {
    enum class Kind { Message, Input, OpenFiles, SaveFile, Font, Folder };
    Kind kind = Kind::Message;
    std::string text;                  // message or input prompt
    std::optional<std::string> title;  // none: the platform's default title
    int style = kMessageOk;            // message boxes
    InputMode input_mode = InputMode::Plain;
    std::string initial;              // input text, file name or folder
    std::vector<FileFilter> filters;  // file dialogs; the first is selected
    bool multiple = false;            // open dialog: several files may be chosen
};

struct Answer {
    Button button = Button::Ok;      // message boxes
    bool accepted = false;           // the other prompts: false = cancelled
    std::string text;                // input text, saved file name, folder
    std::vector<std::string> files;  // open dialog
    QFont font;                      // font dialog
};

// Answers prompts. The default one shows Qt dialogs; tests install their own.
class PromptHandler {
public:
    virtual ~PromptHandler() = default;
    virtual Answer ask(QWidget* owner, const Prompt& prompt, const QFont& current_font) = 0;
};

// Installs a handler; nullptr restores the dialogs.
void set_prompt_handler(PromptHandler* handler);

// A message box; returns the button chosen (No when a Yes/No box is closed,
// Ok for the other boxes).
Button message_box(const std::string& text, int style = kMessageOk,
                   const std::optional<std::string>& title = std::nullopt,
                   QWidget* owner = nullptr);

// An input box; nothing when cancelled.
std::optional<std::string> input_box(const std::string& prompt, const std::string& title = {},
                                     const std::string& initial = {},
                                     InputMode mode = InputMode::Plain, QWidget* owner = nullptr);

// The open dialog; the chosen full paths in the dialog's order, none when
// cancelled.
std::vector<std::string> open_file_dialog(QWidget* owner, const std::string& title,
                                          const std::vector<FileFilter>& filters,
                                          const std::string& initial_dir, bool multiple);

// The save dialog; nothing when cancelled.
std::optional<std::string> save_file_dialog(QWidget* owner, const std::string& title,
                                            const std::vector<FileFilter>& filters,
                                            const std::string& initial_name = {});

std::optional<QFont> font_dialog(QWidget* owner, const QFont& current,
                                 const std::string& title = {});

std::optional<std::string> folder_dialog(QWidget* owner, const std::string& title,
                                         const std::string& initial_dir = {});

}  // namespace dezu::ui
