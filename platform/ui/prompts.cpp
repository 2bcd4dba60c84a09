#include "platform/ui/prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QVBoxLayout>

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

// Return typed in the embedded font dialog finds no button of its own; it
// accepts the dialog around it instead.
class ReturnAccepts : public QObject {
public:
    explicit ReturnAccepts(QDialog* outer) : QObject(outer), outer_(outer) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        outer_->accept();
        return true;
    }

private:
    QDialog* outer_;
};

// Qt's font dialog has no colour; it is shown inside one that adds the
// sixteen basic colours below it.
Answer ask_font(QWidget* owner, const QString& title, const QFont& current, const QColor& color) {
    static constexpr std::pair<const char*, QRgb> kColours[] = {
        {"黑色", 0x000000},   {"褐红色", 0x800000}, {"绿色", 0x008000},   {"橄榄色", 0x808000},
        {"藏青色", 0x000080}, {"紫色", 0x800080},   {"深青色", 0x008080}, {"灰色", 0x808080},
        {"银色", 0xC0C0C0},   {"红色", 0xFF0000},   {"酸橙色", 0x00FF00}, {"黄色", 0xFFFF00},
        {"蓝色", 0x0000FF},   {"紫红色", 0xFF00FF}, {"水绿色", 0x00FFFF}, {"白色", 0xFFFFFF},
    };
    QDialog dialog(owner);
    dialog.setWindowTitle(title);
    auto* fonts = new QFontDialog(current, &dialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOption(QFontDialog::NoButtons);
    auto* colours = new QComboBox(&dialog);
    for (const auto& [name, rgb] : kColours) {
        QPixmap swatch(16, 16);
        swatch.fill(QColor(rgb));
        colours->addItem(QIcon(swatch), QString::fromUtf8(name), QColor(rgb));
    }
    const int chosen = colours->findData(color.isValid() ? color : QColor(Qt::black));
    if (chosen < 0) {
        QPixmap swatch(16, 16);
        swatch.fill(color);
        colours->addItem(QIcon(swatch), color.name(), color);
    }
    colours->setCurrentIndex(chosen < 0 ? colours->count() - 1 : chosen);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // Escape typed in the font part ends the whole dialog.
    QObject::connect(fonts, &QDialog::finished, &dialog, &QDialog::done);
    fonts->installEventFilter(new ReturnAccepts(&dialog));
    auto* colour_row = new QFormLayout;
    colour_row->addRow(QStringLiteral("颜色(&C):"), colours);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(colour_row);
    layout->addWidget(buttons);
    Answer a;
    a.accepted = dialog.exec() == QDialog::Accepted;
    if (a.accepted) {
        a.font = fonts->currentFont();
        a.color = colours->currentData().value<QColor>();
    }
    return a;
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
        case Prompt::Kind::Font:
            a = ask_font(owner, title, current_font, p.color);
            break;
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

std::optional<FontChoice> Prompts::font_dialog(QWidget* owner, const FontChoice& current,
                                               const std::string& title) {
    Prompt p;
    p.kind = Prompt::Kind::Font;
    if (!title.empty()) p.title = title;
    p.color = current.color;
    Answer a = ask(owner, p, current.font);
    if (!a.accepted) return std::nullopt;
    return FontChoice{a.font, a.color.isValid() ? a.color : current.color};
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
