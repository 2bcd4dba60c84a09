#include "platform/ui/prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace dezu::ui {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// A pattern that matches without regard to case in every file dialog,
// including native ones that compare case-sensitively: "*.jpg" -> "*.[jJ][pP][gG]".
QString case_insensitive_pattern(const std::string& pattern) {
    QString out;
    for (QChar c : q(pattern)) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

QStringList name_filters(const std::vector<FileFilter>& filters) {
    QStringList list;
    for (const auto& f : filters) {
        QStringList patterns;
        for (const auto& p : f.patterns) patterns << case_insensitive_pattern(p);
        list << q(f.description) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                    QLatin1Char(')');
    }
    return list;
}

}  // namespace

Answer DialogPrompts::ask(QWidget* owner, const Prompt& p, const QFont& current_font) {
    Answer a;
    const QString title = p.title ? q(*p.title) : QApplication::applicationDisplayName();
    switch (p.kind) {
        case Prompt::Kind::Message: {
            QMessageBox box(owner);
            box.setWindowTitle(title);
            box.setText(q(p.text));
            if (p.style == MessageStyle::Stop) box.setIcon(QMessageBox::Critical);
            if (p.style == MessageStyle::YesNo) {
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                box.setEscapeButton(QMessageBox::No);
                a.button = box.exec() == QMessageBox::Yes ? Button::Yes : Button::No;
            } else {
                box.setStandardButtons(QMessageBox::Ok);
                box.exec();
                a.button = Button::Ok;
            }
            a.accepted = true;
            break;
        }
        case Prompt::Kind::Input: {
            QInputDialog dialog(owner);
            dialog.setWindowTitle(title);
            dialog.setLabelText(q(p.text));
            if (p.input_mode == InputMode::WholeNumber) {
                dialog.setInputMode(QInputDialog::IntInput);
                dialog.setIntRange(std::numeric_limits<int>::min(),
                                   std::numeric_limits<int>::max());
                dialog.setIntValue(q(p.initial).toInt());
            } else {
                dialog.setInputMode(QInputDialog::TextInput);
                dialog.setTextValue(q(p.initial));
                if (p.input_mode == InputMode::Masked) dialog.setTextEchoMode(QLineEdit::Password);
            }
            a.accepted = dialog.exec() == QDialog::Accepted;
            if (a.accepted)
                a.text = p.input_mode == InputMode::WholeNumber ? std::to_string(dialog.intValue())
                                                                : dialog.textValue().toStdString();
            break;
        }
        case Prompt::Kind::OpenFiles: {
            QFileDialog dialog(owner, title, q(p.initial));
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(p.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
            const QStringList filters = name_filters(p.filters);
            if (!filters.isEmpty()) {
                dialog.setNameFilters(filters);
                dialog.selectNameFilter(filters.front());
            }
            if (dialog.exec() == QDialog::Accepted) {
                for (const QString& f : dialog.selectedFiles()) a.files.push_back(f.toStdString());
                a.accepted = !a.files.empty();
            }
            break;
        }
        case Prompt::Kind::SaveFile: {
            QFileDialog dialog(owner, title);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            const QStringList filters = name_filters(p.filters);
            if (!filters.isEmpty()) dialog.setNameFilters(filters);
            if (!p.initial.empty()) dialog.selectFile(q(p.initial));
            if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
                a.accepted = true;
                a.text = dialog.selectedFiles().front().toStdString();
            }
            break;
        }
        case Prompt::Kind::Font: {
            bool ok = false;
            a.font = QFontDialog::getFont(&ok, current_font, owner, title);
            a.accepted = ok;
            break;
        }
        case Prompt::Kind::Folder: {
            const QString dir = QFileDialog::getExistingDirectory(owner, title, q(p.initial));
            a.accepted = !dir.isEmpty();
            a.text = dir.toStdString();
            break;
        }
    }
    return a;
}

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}
}  // namespace

std::vector<FileFilter> parse_file_filter(const std::string& filter) {
    std::vector<FileFilter> filters;
    if (filter.empty()) return filters;
    const std::vector<std::string> fields = split(filter, '|');
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        FileFilter f;
        f.description = fields[i];
        for (const std::string& pattern : split(fields[i + 1], ';'))
            if (!pattern.empty()) f.patterns.push_back(pattern);
        if (!f.patterns.empty()) filters.push_back(std::move(f));
    }
    return filters;
}

std::vector<std::string> Prompts::choose_files(QWidget* owner, const std::string& title,
                                               const std::string& filter,
                                               const std::string& initial_folder) {
    return open_file_dialog(owner, title, parse_file_filter(filter), initial_folder, true);
}

QStringList dialog_name_filters(const std::vector<FileFilter>& filters) {
    return name_filters(filters);
}

Button Prompts::message_box(const std::string& text, MessageStyle style,
                            const std::optional<std::string>& title, QWidget* owner) {
    Prompt p;
    p.kind = Prompt::Kind::Message;
    p.text = text;
    p.title = title;
    p.style = style;
    return ask(owner, p, QFont()).button;
}

std::optional<std::string> Prompts::input_box(const std::string& prompt, const std::string& title,
                                              const std::string& initial, InputMode mode,
                                              QWidget* owner) {
    Prompt p;
    p.kind = Prompt::Kind::Input;
    p.text = prompt;
    if (!title.empty()) p.title = title;
    p.initial = initial;
    p.input_mode = mode;
    Answer a = ask(owner, p, QFont());
    if (!a.accepted) return std::nullopt;
    return a.text;
}

std::vector<std::string> Prompts::open_file_dialog(QWidget* owner, const std::string& title,
                                                   const std::vector<FileFilter>& filters,
                                                   const std::string& initial_dir, bool multiple) {
    Prompt p;
    p.kind = Prompt::Kind::OpenFiles;
    if (!title.empty()) p.title = title;
    p.filters = filters;
    p.initial = initial_dir;
    p.multiple = multiple;
    Answer a = ask(owner, p, QFont());
    if (!a.accepted) return {};
    return a.files;
}

std::optional<std::string> Prompts::save_file_dialog(QWidget* owner, const std::string& title,
                                                     const std::vector<FileFilter>& filters,
                                                     const std::string& initial_name) {
    Prompt p;
    p.kind = Prompt::Kind::SaveFile;
    if (!title.empty()) p.title = title;
    p.filters = filters;
    p.initial = initial_name;
    Answer a = ask(owner, p, QFont());
    if (!a.accepted) return std::nullopt;
    return a.text;
}

std::optional<QFont> Prompts::font_dialog(QWidget* owner, const QFont& current,
                                          const std::string& title) {
    Prompt p;
    p.kind = Prompt::Kind::Font;
    if (!title.empty()) p.title = title;
    Answer a = ask(owner, p, current);
    if (!a.accepted) return std::nullopt;
    return a.font;
}

std::optional<std::string> Prompts::folder_dialog(QWidget* owner, const std::string& title,
                                                  const std::string& initial_dir) {
    Prompt p;
    p.kind = Prompt::Kind::Folder;
    if (!title.empty()) p.title = title;
    p.initial = initial_dir;
    Answer a = ask(owner, p, QFont());
    if (!a.accepted) return std::nullopt;
    return a.text;
}

}  // namespace dezu::ui
