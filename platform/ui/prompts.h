#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

class QWidget;

// Every modal question the program asks goes through here, so that tests can
// answer from a script and read back what was asked.
namespace dezu::ui {

// A plain box with OK, a question with Yes and No, or an error with OK and the
// stop icon.
enum class MessageStyle { Plain, YesNo, Stop };

enum class Button { Ok, Cancel, Yes, No };

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
    std::string text;                          // message or input prompt
    std::optional<std::string> title;          // none: the platform's default title
    MessageStyle style = MessageStyle::Plain;  // message boxes
    InputMode input_mode = InputMode::Plain;
    std::string initial;              // input text, file name or folder
    std::vector<FileFilter> filters;  // file dialogs; the first is selected
    bool multiple = false;            // open dialog: several files may be chosen
    QColor color;                     // font dialog: the text colour it opens with
};

struct Answer {
    Button button = Button::Ok;      // message boxes
    bool accepted = false;           // the other prompts: false = cancelled
    std::string text;                // input text, saved file name, folder
    std::vector<std::string> files;  // open dialog
    QFont font;                      // font dialog
    QColor color;                    // font dialog: the text colour chosen
};

struct FontChoice {
    QFont font;
    QColor color = Qt::black;
};

// Every modal prompt goes through one of these. The program shows Qt dialogs
// (DialogPrompts); tests answer from a script.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual Answer ask(QWidget* owner, const Prompt& prompt, const QFont& current_font) = 0;

    // The button chosen: No when a Yes/No box is closed, Ok for the others.
    Button message_box(const std::string& text, MessageStyle style = MessageStyle::Plain,
                       const std::optional<std::string>& title = std::nullopt,
                       QWidget* owner = nullptr);

    // Nothing when cancelled.
    std::optional<std::string> input_box(const std::string& prompt, const std::string& title = {},
                                         const std::string& initial = {},
                                         InputMode mode = InputMode::Plain,
                                         QWidget* owner = nullptr);

    // The chosen full paths in the dialog's order; none when cancelled.
    std::vector<std::string> open_file_dialog(QWidget* owner, const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string& initial_dir, bool multiple);

    std::optional<std::string> save_file_dialog(QWidget* owner, const std::string& title,
                                                const std::vector<FileFilter>& filters,
                                                const std::string& initial_name = {});

    // The font and the text colour, chosen in one dialog.
    std::optional<FontChoice> font_dialog(QWidget* owner, const FontChoice& current,
                                          const std::string& title = {});

    std::optional<std::string> folder_dialog(QWidget* owner, const std::string& title,
                                             const std::string& initial_dir = {});

    // Several existing files. The filter text is pairs of a description and
    // its patterns, all separated by "|" ("JPG,BMP|*.JPG;*.BMP"), the first
    // pair selected. None when cancelled.
    std::vector<std::string> choose_files(QWidget* owner, const std::string& title,
                                          const std::string& filter,
                                          const std::string& initial_folder);
};

// The dialog filters that a filter text stands for, in order. A description
// left without patterns at the end is dropped.
std::vector<FileFilter> parse_file_filter(const std::string& filter);

// Qt's own dialogs.
class DialogPrompts final : public Prompts {
public:
    Answer ask(QWidget* owner, const Prompt& prompt, const QFont& current_font) override;
};

}  // namespace dezu::ui
