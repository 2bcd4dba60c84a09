#include "diary/diary_editor_window.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>

#include "assets/assets.h"
#include "diary/diary_session.h"
#include "diary/line_printer.h"
#include "diary/page_list_model.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/failures.h"
#include "platform/ui/prompts.h"
#include "platform/ui/status_bar.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

namespace dezu::diary {

namespace {

constexpr int kToolbarButtonWidth = 41;
// The page list's title of a page that cannot be read.
constexpr const char* kUnreadableTitle = "（无法读取）";

struct ToolbarButton {
    const char* caption;
    const char* picture;
};

constexpr std::array<ToolbarButton, DiaryEditorWindow::kToolbarButtons> kButtons = {{
    {"新建", "diary_new.png"},
    {"导入", "diary_import.png"},
    {"导出", "diary_export.png"},
    {"保存", "diary_save.png"},
    {"字体", "diary_font.png"},
    {"打印", "diary_print.png"},
    {"删除", "diary_delete.png"},
    {"前页", "diary_previous.png"},
    {"后页", "diary_next.png"},
    {"加锁", "diary_lock.png"},
    {"解锁", "diary_unlock.png"},
    {"关闭", "diary_close.png"},
    {"返回", "diary_return.png"},
    {"目录", "diary_contents.png"},
    {"滚屏", "diary_scroll.png"},
}};

// The toolbar shows no tooltips.
class NoToolTips : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

// Blanks trimmed from a title line: ASCII blanks and the ideographic space.
std::string trim_title(std::string_view line) {
    const std::string_view wide = "\u3000";
    for (bool changed = true; changed;) {
        changed = false;
        line = dezu::text::trim(line);
        if (line.starts_with(wide)) line.remove_prefix(wide.size()), changed = true;
        if (line.ends_with(wide)) line.remove_suffix(wide.size()), changed = true;
    }
    return std::string(line);
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

DiaryEditorWindow::DiaryEditorWindow(DiarySession& session, ui::Prompts& prompts,
                                     ui::PrinterChoice& printers)
    : Form(ui::windows::kDiaryEditor), session_(session), prompts_(prompts), printers_(printers) {
    setWindowTitle(QStringLiteral("日记本"));
    resize(640, 487);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    // The toolbar's buttons stand side by side at fixed places, each a
    // picture over its caption.
    toolbar_ = new QWidget(this);
    toolbar_->setObjectName(QStringLiteral("工具条1"));
    QFont caption_font(QStringLiteral("宋体"));
    caption_font.setPixelSize(14);
    toolbar_->setFont(caption_font);
    ui::place(toolbar_, 8, 6, 624, 55);
    auto* no_tips = new NoToolTips(this);
    for (int i = 0; i < kToolbarButtons; ++i) {
        QPixmap picture;
        picture.loadFromData(
            QByteArray::fromStdString(dezu::assets::asset_bytes(kButtons[i].picture)));
        auto* action =
            new QAction(QIcon(picture), QString::fromUtf8(kButtons[i].caption), toolbar_);
        toolbar_->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] { on_diary_toolbar_click(i); });
        auto* button = new QToolButton(toolbar_);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(32, 32));
        button->setAutoRaise(true);
        button->installEventFilter(no_tips);
        ui::place(button, i * kToolbarButtonWidth, 0, kToolbarButtonWidth, 55);
        buttons_[static_cast<std::size_t>(i)] = action;
    }

    editor_ = new QPlainTextEdit(this);
    editor_->setObjectName(QStringLiteral("编辑框1"));
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont editor_font(QStringLiteral("楷体_GB2312"));
    editor_font.setPixelSize(21);
    editor_font.setWeight(QFont::Normal);
    editor_->setFont(editor_font);
    QPalette editor_palette = editor_->palette();
    editor_palette.setColor(QPalette::Base, Qt::white);
    editor_->setPalette(editor_palette);
    ui::place(editor_, 1, 73, 340, 360);

    separator_ = new QLabel(this);
    separator_->setObjectName(QStringLiteral("标签2"));
    ui::place(separator_, 341, 73, 12, 359);

    pages_ = new QTreeView(this);
    pages_->setObjectName(QStringLiteral("超级列表框1"));
    page_rows_ = new PageListModel(pages_);
    pages_->setModel(page_rows_);
    pages_->setRootIsDecorated(false);
    pages_->setUniformRowHeights(true);
    pages_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pages_->header()->resizeSection(0, 150);
    pages_->header()->resizeSection(1, 124);
    ui::place(pages_, 353, 73, 278, 360);
    connect(pages_, &QTreeView::doubleClicked, this, [this] { on_page_list_double_click(); });

    status_ = new ui::StatusBar(this, "状态条1", {50, 300, 50, 100, 50, -1});
    ui::place(status_, 0, 325, 534, 20);
    // A size of its own, so that "日记名称" fits its 50 pixels beside the
    // frame whatever size the desktop gives its text.
    QFont status_font(QStringLiteral("宋体"));
    status_font.setPixelSize(11);
    status_->setFont(status_font);
    status_->set_part_text(0, "日记名称");
    status_->set_part_text(2, "总页数");
    status_->set_part_text(4, "当前页");

    scroll_timer_ = new ui::TimerControl(this, "时钟1");
    connect(scroll_timer_, &ui::TimerControl::tick, this, [this] { scroll_editor_one_line(); });
    printer_ = new LinePrinter(this, "打印机1", prompts_, printers_);

    // Imported text goes to the end of whatever page is shown when it comes,
    // but never into a page that cannot be read, where it could not be kept.
    connect(&session_, &DiarySession::text_imported, this, [this](const QString& text) {
        if (session_.shown_page_unreadable()) return;
        QTextCursor end(editor_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(text);
    });
    connect(&session_, &DiarySession::program_ending, this, [this] { save_page_at_end(); });
}

bool DiaryEditorWindow::has_book() const {
    return session_.has_book();
}

void DiaryEditorWindow::set_page_status(int count, int shown) {
    status_->set_part_text(3, std::to_string(count));
    status_->set_part_text(5, std::to_string(shown));
}

int DiaryEditorWindow::current_row() const {
    const QModelIndex index = pages_->currentIndex();
    return index.isValid() ? index.row() : -1;
}

void DiaryEditorWindow::set_current_row(int row) {
    if (row >= 0 && row < page_rows_->rowCount())
        pages_->setCurrentIndex(page_rows_->index(row, 0));
}

void DiaryEditorWindow::init_diary_editor() {
    ui::apply_visual_style(1);
    const DiarySession::Opening opening = session_.open_current_book();
    if (opening == DiarySession::Opening::Missing) return;
    if (opening == DiarySession::Opening::Refused) {
        prompts_.message_box(session_.opening_error(), ui::MessageStyle::Plain, std::nullopt, this);
        ui::destroy_window(window_id());
        return;
    }
    session_.remember_book(session_.current_book());
    ui::destroy_window(ui::windows::kDiaryBook);

    const int count = session_.page_count();
    if (count > 0) {
        set_page_status(count, count);
        dezu::store::Table::AllRecords pages = session_.page_titles();
        for (const int number : pages.unreadable)
            pages.rows[static_cast<std::size_t>(number) - 1] = {kUnreadableTitle, ""};
        page_rows_->set_rows(std::move(pages.rows));
        session_.set_page_number(count);
        set_current_row(count - 1);
        pages_->scrollTo(page_rows_->index(count - 1, 0));
        // The pages that cannot be read are told together; the last one,
        // shown now, only when the list could not tell it.
        if (!pages.unreadable.empty())
            session_.failures().report(session_.unreadable_pages_text(pages.unreadable), this);
        if (!show_page_text(count) &&
            !std::binary_search(pages.unreadable.begin(), pages.unreadable.end(), count))
            tell_unreadable_page();
    } else {
        // A failed append has been told; the editor still shows its blank row.
        static_cast<void>(session_.append_page(this));
        page_rows_->append_row();
        set_current_row(0);
        const int now_count = session_.page_count();
        set_page_status(now_count, now_count);
    }
    session_.set_page_number(session_.page_count());
    editor_->setFocus();
    if (!session_.book_has_password()) buttons_[kUnlock]->setEnabled(false);
    session_.set_page_title("");
    status_->set_part_text(1, session_.remembered_book());
}

void DiaryEditorWindow::derive_page_title() {
    // The editor does not wrap, so each block is one line.
    session_.set_page_title("");
    for (QTextBlock line = editor_->document()->begin(); line.isValid(); line = line.next()) {
        std::string title = trim_title(line.text().toStdString());
        if (title.empty()) continue;
        session_.set_page_title(std::move(title));
        return;
    }
}

bool DiaryEditorWindow::save_shown_page() {
    if (!has_book()) return false;
    // Nothing of a page that could not be read is shown, so there is nothing
    // to keep, and whatever the editor held must not replace it.
    if (session_.shown_page_unreadable()) return true;
    const std::string content = editor_->toPlainText().toStdString();
    derive_page_title();
    if (!session_.save_page(content, session_.page_title(), this)) return false;
    // What is typed from here on is what an end of the program must keep.
    editor_->document()->setModified(false);
    return true;
}

void DiaryEditorWindow::show_page(int number) {
    if (!show_page_text(number)) tell_unreadable_page();
}

bool DiaryEditorWindow::show_page_text(int number) {
    const auto content = session_.show_page(number);
    if (content) {
        editor_->setPlainText(q(*content));
    } else if (session_.shown_page_unreadable()) {
        editor_->clear();
    }
    // Typing into a page that cannot be read would be lost.
    editor_->setReadOnly(session_.shown_page_unreadable());
    return !session_.shown_page_unreadable();
}

void DiaryEditorWindow::tell_unreadable_page() {
    session_.failures().report(session_.unreadable_shown_page_text(), this);
}

void DiaryEditorWindow::on_page_list_double_click() {
    if (!has_book() || session_.page_count() == 0) return;
    const int row = current_row();
    if (row < 0 || session_.shown_record() == row + 1) return;
    // A page that could not be stored stays shown, so its text is not lost.
    if (!save_shown_page()) return;
    session_.set_page_number(row + 1);
    show_page(row + 1);
    status_->set_part_text(5, std::to_string(row + 1));
}

void DiaryEditorWindow::apply_list_widths() {
    const int editor_width = width() - pages_->width() - separator_->width();
    editor_->resize(std::max(0, editor_width), editor_->height());
    separator_->move(editor_width + 2, separator_->y());
    pages_->move(editor_width + separator_->width() + 2, pages_->y());
}

void DiaryEditorWindow::layout_diary_editor() {
    const int h = height() - 90;
    for (QWidget* w : {static_cast<QWidget*>(editor_), static_cast<QWidget*>(separator_),
                       static_cast<QWidget*>(pages_)})
        w->resize(w->width(), std::max(0, h));
    if (!pages_->isHidden())
        apply_list_widths();
    else
        editor_->resize(width(), editor_->height());
    ui::place(status_, 0, height() - 20, width(), 20);
}

void DiaryEditorWindow::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    layout_diary_editor();
}

void DiaryEditorWindow::scroll_editor_one_line() {
    // Unwrapped, the scroll bar counts lines; at the end it stays.
    QScrollBar* bar = editor_->verticalScrollBar();
    bar->setValue(bar->value() + 1);
}

void DiaryEditorWindow::on_closing() {
    // An import has no page to go to once the editor is gone.
    session_.cancel_import();
    save_page_on_close();
}

void DiaryEditorWindow::save_page_at_end() {
    // As the closing handler saves, but only text the book does not hold yet:
    // a page nobody touched keeps its time.
    if (editor_->document()->isEmpty() || !editor_->document()->isModified()) return;
    static_cast<void>(save_shown_page());
}

void DiaryEditorWindow::save_page_on_close() {
    if (editor_->document()->isEmpty()) return;
    static_cast<void>(save_shown_page());
    session_.set_current_book("");
    session_.close_book();
}

}  // namespace dezu::diary
