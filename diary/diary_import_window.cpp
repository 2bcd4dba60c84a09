#include "diary/diary_import_window.h"

#include <QAbstractSpinBox>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <functional>

#include "diary/diary_session.h"
#include "platform/files/files.h"
#include "platform/shell/shell_actions.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

namespace dezu::diary {

namespace {

constexpr std::string_view kToken = "file(*)";

// A whole-number box whose spin buttons are handed to the window instead of
// changing the number themselves.
class SteppedNumberBox : public QAbstractSpinBox {
public:
    SteppedNumberBox(QWidget* parent, std::function<void(int)> on_step)
        : QAbstractSpinBox(parent), on_step_(std::move(on_step)) {}
    void stepBy(int steps) override { on_step_(steps); }
    void set_text(const QString& text) { lineEdit()->setText(text); }

    QValidator::State validate(QString& input, int&) const override {
        for (QChar ch : input)
            if (!ch.isDigit() || ch.unicode() > 127) return QValidator::Invalid;
        return QValidator::Acceptable;
    }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    std::function<void(int)> on_step_;
};

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QLabel* add_label(QWidget* parent, const char* name, const char* caption, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(q(caption), parent);
    label->setObjectName(q(name));
    ui::place(label, left, top, width, height);
    return label;
}

QLineEdit* add_edit(QWidget* parent, const char* name, const char* text, int left, int top,
                    int width, int height, bool digits_only) {
    auto* edit = new QLineEdit(q(text), parent);
    edit->setObjectName(q(name));
    if (digits_only)
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    ui::place(edit, left, top, width, height);
    return edit;
}

QPushButton* add_button(QWidget* parent, const char* name, int left, int top, int width,
                        int height) {
    auto* button = new QPushButton(QStringLiteral("浏览"), parent);
    button->setObjectName(q(name));
    ui::place(button, left, top, width, height);
    return button;
}

QRadioButton* add_radio(QWidget* parent, const char* name, int left, int top) {
    auto* radio = new QRadioButton(parent);
    radio->setObjectName(q(name));
    ui::place(radio, left, top, 16, 16);
    return radio;
}

std::string number_text(long long value) {
    return std::to_string(value);
}

std::string text_of(const QWidget* w) {
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text().toStdString();
    if (auto* spin = qobject_cast<const QAbstractSpinBox*>(w)) return spin->text().toStdString();
    return {};
}

}  // namespace

std::vector<std::string> expand_address_pattern(const std::string& pattern,
                                                const std::string& first, const std::string& last,
                                                const std::string& width) {
    using dezu::text::numeric_value;
    using dezu::text::truncate_toward_zero;
    const long long from = truncate_toward_zero(numeric_value(first));
    const long long to = truncate_toward_zero(numeric_value(last));
    const long long digits = truncate_toward_zero(numeric_value(width));
    std::vector<std::string> addresses;
    for (long long n = from; n <= to && n - from < kMaxPatternAddresses; ++n) {
        std::string number = number_text(n);
        const long long pad = digits - static_cast<long long>(number.size());
        if (pad > 0) number.insert(0, static_cast<std::size_t>(pad), '0');
        std::string address = pattern;
        for (std::size_t at = address.find(kToken); at != std::string::npos;
             at = address.find(kToken, at + number.size()))
            address.replace(at, kToken.size(), number);
        addresses.push_back(std::move(address));
    }
    return addresses;
}

std::vector<std::string> split_import_paths(const std::string& text,
                                            const std::function<bool(const std::string&)>& exists) {
    std::vector<std::string> parts;
    for (std::size_t from = 0;;) {
        const std::size_t end = text.find(';', from);
        parts.push_back(text.substr(from, end == std::string::npos ? end : end - from));
        if (end == std::string::npos) break;
        from = end + 1;
    }
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < parts.size();) {
        std::size_t taken = 1;
        std::string joined = parts[i];
        for (std::size_t j = i + 1; j < parts.size(); ++j) {
            joined += ";" + parts[j];
            if (exists(joined)) taken = j - i + 1;
        }
        std::string path = parts[i];
        for (std::size_t j = i + 1; j < i + taken; ++j) path += ";" + parts[j];
        if (!path.empty()) paths.push_back(std::move(path));
        i += taken;
    }
    return paths;
}

DiaryImportWindow::DiaryImportWindow(DiarySession& session)
    : Form(ui::windows::kDiaryImport), session_(session) {
    setWindowTitle(QStringLiteral("批量导入"));
    setFixedSize(431, 379);
    move(50, 50);

    add_label(this, "标签1", "URL:(例如:http://www.example.com/html/file(*).htm)", 24, 19, 384, 24);
    auto* web = web_ = add_radio(this, "单选框1", 24, 56);
    add_label(this, "标签6", "网页地址", 43, 51, 48, 24);
    address_ = add_edit(this, "编辑框1", "", 104, 53, 256, 20, false);
    auto* browser = browser_ = add_button(this, "按钮4", 368, 52, 32, 22);
    add_label(this, "标签2", "从", 80, 90, 16, 24);
    first_ = add_edit(this, "编辑框2", "1", 104, 92, 48, 18, true);
    add_label(this, "标签3", "到", 168, 90, 16, 24);
    last_ = add_edit(this, "编辑框3", "018", 192, 92, 48, 18, true);
    add_label(this, "标签4", "通配符长度", 256, 90, 64, 24);
    auto* width = new SteppedNumberBox(this, [this](int steps) { step_wildcard_length(steps); });
    width->setObjectName(QStringLiteral("编辑框4"));
    width->set_text(QStringLiteral("3"));
    ui::place(width, 328, 92, 55, 18);
    width_ = width;
    add_label(this, "标签8", "本地文件路径:(例如:c:\\html\\file(*).txt 或者 c:\\html\\file(*).htm)",
              24, 147, 384, 24);
    auto* file = add_radio(this, "单选框2", 24, 192);
    add_label(this, "标签7", "本地文件", 43, 187, 48, 24);
    files_ = add_edit(this, "编辑框5", "", 104, 188, 256, 20, false);
    auto* files = browse_files_ = add_button(this, "按钮1", 368, 187, 32, 20);
    files->setEnabled(false);
    auto* rule = add_label(this, "标签5", "", 25, 223, 376, 2);
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    auto* strip = strip_ = new QCheckBox(this);
    strip->setObjectName(QStringLiteral("选择框1"));
    strip->setChecked(true);
    ui::place(strip, 232, 236, 16, 16);
    add_label(this, "标签9", "过滤网页中的页面控制代码", 251, 232, 152, 24);
    auto* ok = new ui::SuperButton(this, "超级按钮1", "确定", 0);
    ui::place(ok, 88, 280, 56, 32);
    auto* cancel = new ui::SuperButton(this, "超级按钮2", "取消", 0);
    ui::place(cancel, 288, 280, 56, 32);

    auto* group = new QButtonGroup(this);
    group->addButton(web);
    group->addButton(file);
    web->setChecked(true);

    connect(web, &QRadioButton::clicked, this, [this] { select_web_source(); });
    connect(file, &QRadioButton::clicked, this, [this] { select_file_source(); });
    connect(browser, &QPushButton::clicked, this, [this] { open_blank_browser_page(); });
    connect(files, &QPushButton::clicked, this, [this] { browse_import_files(); });
    connect(ok, &QAbstractButton::clicked, this, [this] { build_import_source_list(); });
    connect(cancel, &QAbstractButton::clicked, this, [this] { cancel_import(); });
}

void DiaryImportWindow::select_web_source() {
    session_.set_import_from_web(true);
    files_->setEnabled(false);
    browse_files_->setEnabled(false);
    address_->setEnabled(true);
    browser_->setEnabled(true);
}

void DiaryImportWindow::select_file_source() {
    address_->setEnabled(false);
    browser_->setEnabled(false);
    session_.set_import_from_web(false);
    files_->setEnabled(true);
    browse_files_->setEnabled(true);
}

void DiaryImportWindow::open_blank_browser_page() {
    // Nothing in the window changes either way.
    if (!session_.shell().open_document("about:blank"))
        qWarning("dezu: no web browser could be started for about:blank");
}

void DiaryImportWindow::browse_import_files() {
    chosen_files_ =
        session_.prompts().choose_files(this, "请选择要导入的文件", "*.txt,*.htm|*.txt;*.htm", "");
    std::string joined;
    for (const std::string& path : chosen_files_) joined += (joined.empty() ? "" : ";") + path;
    chosen_text_ = QString::fromStdString(joined);
    files_->setText(chosen_text_);
}

void DiaryImportWindow::step_wildcard_length(int direction) {
    auto* box = static_cast<SteppedNumberBox*>(width_);
    const double v = dezu::text::numeric_value(box->text().toStdString());
    double next = v + 1;
    if (direction <= 0) {
        if (!(v - 1 > 0.0000001)) return;
        next = v - 1;
    }
    box->set_text(QString::number(next, 'g', 15));
}

void DiaryImportWindow::build_import_source_list() {
    session_.set_import_sources({});
    const std::string address = text_of(address_);
    if (web_->isChecked() && !address.empty()) {
        session_.set_import_from_web(true);
        if (address.find(kToken) == std::string::npos)
            session_.set_import_sources({address});
        else
            session_.set_import_sources(
                expand_address_pattern(address, text_of(first_), text_of(last_), text_of(width_)));
        confirmed_ = true;
        ui::destroy_window(window_id());
        return;
    }
    session_.set_import_from_web(false);
    // What the dialog chose is taken as it came, unless the box was edited.
    std::vector<std::string> sources =
        files_->text() == chosen_text_
            ? chosen_files_
            : split_import_paths(files_->text().toStdString(), dezu::files::file_exists);
    std::erase(sources, std::string());
    if (sources.empty()) return;
    session_.set_import_sources(std::move(sources));
    confirmed_ = true;
    ui::destroy_window(window_id());
}

void DiaryImportWindow::cancel_import() {
    session_.set_import_sources({});
    ui::destroy_window(window_id());
}

void DiaryImportWindow::remember_html_filter_choice() {
    session_.set_strip_html_on_import(strip_->isChecked());
    // Closed without 确定: the previous import's sources must not run again.
    if (!confirmed_) session_.set_import_sources({});
}

}  // namespace dezu::diary
