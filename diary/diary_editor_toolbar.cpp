// The toolbar's fifteen commands of DiaryEditorWindow.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeView>

#include "diary/diary_editor_window.h"
#include "diary/diary_session.h"
#include "diary/line_printer.h"
#include "diary/page_list_model.h"
#include "platform/files/files.h"
#include "platform/text/text.h"
#include "platform/ui/failures.h"
#include "platform/ui/prompts.h"
#include "platform/ui/status_bar.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

namespace dezu::diary {

void DiaryEditorWindow::on_diary_toolbar_click(int index) {
    switch (index) {
        case kNew:
            return new_page();
        case kImport:
            return import_pages();
        case kExport:
            return export_page();
        case kSave:
            return save_page();
        case kFont:
            return choose_font();
        case kPrint:
            return print_page();
        case kDelete:
            return delete_page();
        case kPrevious:
            return previous_page();
        case kNext:
            return next_page();
        case kLock:
            return lock_book();
        case kUnlock:
            return unlock_book();
        case kClose:
            return close_editor();
        case kReturn:
            return return_to_books();
        case kContents:
            return toggle_page_list();
        case kScroll:
            return toggle_scrolling();
        default:
            return;
    }
}

void DiaryEditorWindow::new_page() {
    if (!has_book()) return;
    if (!editor_->document()->isEmpty()) {
        // A page that could not be stored stays shown, so its text is not lost.
        if (!save_shown_page()) return;
        editor_->clear();
    }
    if (!session_.append_page(this)) return;
    page_rows_->append_row();
    const int row = page_rows_->rowCount() - 1;
    session_.set_page_number(row + 1);
    set_current_row(row);
    const int count = session_.page_count();
    set_page_status(count, count);
    editor_->setFocus();
    static_cast<void>(show_page_text(session_.page_number()));
    if (!editor_->isEnabled()) {
        buttons_[kDelete]->setEnabled(true);
        editor_->setEnabled(true);
    }
}

void DiaryEditorWindow::import_pages() {
    if (session_.page_number() == 0) new_page();
    // The imported text could not be kept in a page that cannot be read.
    if (session_.shown_page_unreadable()) return tell_unreadable_page();
    ui::load_window(ui::windows::kDiaryImport, true);
    if (!session_.import_sources().empty()) ui::load_window(ui::windows::kImportProgress);
}

void DiaryEditorWindow::export_page() {
    // The empty editor is no text of the page, and would empty an older
    // export chosen to be overwritten.
    if (session_.shown_page_unreadable()) return tell_unreadable_page();
    const auto chosen = prompts_.save_file_dialog(this, {}, {{"*.TXT", {"*.TXT"}}});
    if (!chosen) return;
    std::string name = *chosen;
    if (!name.empty() && !dezu::text::ends_with_ignoring_case(name, ".TXT")) name += ".TXT";
    // Told, or the user would take the page for exported.
    if (!dezu::files::write_whole_file(name,
                                       dezu::text::to_gbk(editor_->toPlainText().toStdString())))
        session_.failures().report("这一页没有导出：“" + name + "”无法写入。", this);
}

void DiaryEditorWindow::save_page() {
    // Without a page there is nothing to save; a page that cannot be read
    // has nothing of its own shown.
    if (!editor_->isEnabled() || !has_book() || session_.shown_page_unreadable()) return;
    // A failed save leaves the row as it was: it would show what was not kept.
    if (!save_shown_page()) return;
    const int row = current_row();
    if (row >= 0 && row < page_rows_->rowCount()) {
        page_rows_->set_row(row, session_.page_title(), session_.time_text());
        set_current_row(row);
    }
    editor_->setFocus();
    status_->set_part_text(3, std::to_string(session_.page_count()));
}

void DiaryEditorWindow::choose_font() {
    const auto choice = prompts_.font_dialog(this, font_dialog_choice_);
    if (!choice) return;
    font_dialog_choice_ = *choice;
    editor_->setFont(choice->font);
    QPalette colours = editor_->palette();
    colours.setColor(QPalette::Text, choice->color);
    editor_->setPalette(colours);
}

void DiaryEditorWindow::print_page() {
    // The lines as the line messages give them, read straight from the text
    // so that a long imported page prints without delay.
    for (QTextBlock line = editor_->document()->begin(); line.isValid(); line = line.next())
        if (!line.text().isEmpty()) printer_->print_line(line.text().toStdString());
    printer_->end_job();
}

void DiaryEditorWindow::delete_page() {
    if (!has_book()) return;
    if (session_.page_count() == 0) {
        buttons_[kDelete]->setEnabled(false);
        editor_->setEnabled(false);
        session_.set_page_number(0);
        return;
    }
    // The store cannot mark a record it cannot read: say so before asking.
    if (session_.shown_page_unreadable()) return tell_unreadable_page();
    if (prompts_.message_box("确认是否删除当前页", ui::MessageStyle::YesNo, std::nullopt, this) !=
        ui::Button::Yes)
        return;
    // The text goes only with the page.
    if (!session_.delete_shown_page(this)) return;
    editor_->clear();
    page_rows_->remove_row(session_.page_number() - 1);
    session_.set_page_number(session_.page_count());
    if (session_.page_number() > 0) {
        show_page(session_.page_number());
    } else {
        buttons_[kDelete]->setEnabled(false);
        editor_->setEnabled(false);
    }
    const int count = session_.page_count();
    set_page_status(count, count);
}

void DiaryEditorWindow::previous_page() {
    if (!has_book()) return;
    if (session_.page_count() == 0 || session_.shown_record() <= 1) return;
    if (!save_shown_page()) return;
    const int number = session_.shown_record() - 1;
    show_page(number);
    session_.set_page_number(number);
    status_->set_part_text(5, std::to_string(number));
    set_current_row(current_row() - 1);
}

void DiaryEditorWindow::next_page() {
    if (!has_book()) return;
    const int count = session_.page_count();
    if (count == 0 || session_.shown_record() >= count) return;
    if (!save_shown_page()) return;
    const int number = session_.shown_record() + 1;
    show_page(number);
    session_.set_page_number(number);
    status_->set_part_text(5, std::to_string(number));
    set_current_row(current_row() + 1);
}

void DiaryEditorWindow::lock_book() {
    auto password = prompts_.input_box("请输入一个新密码,并保存好密码", "设置日记密码", {},
                                       ui::InputMode::Masked, this);
    if (!password || password->empty()) return;
    // A failed change has been told; the button follows the file either way.
    static_cast<void>(session_.set_book_password(*password, this));
    if (session_.book_has_password()) buttons_[kUnlock]->setEnabled(true);
    std::fill(password->begin(), password->end(), '\0');
}

void DiaryEditorWindow::unlock_book() {
    static_cast<void>(session_.set_book_password("", this));
    if (!session_.book_has_password()) buttons_[kUnlock]->setEnabled(false);
}

void DiaryEditorWindow::close_editor() {
    session_.set_current_book("");
    // The closing handler saves a page with text and closes the book.
    ui::destroy_window(window_id());
    session_.close_book();
}

void DiaryEditorWindow::return_to_books() {
    session_.set_current_book("");
    ui::load_window(ui::windows::kDiaryBook);
    close_editor();
}

void DiaryEditorWindow::toggle_page_list() {
    if (!pages_->isHidden()) {
        pages_->hide();
        separator_->hide();
        editor_->resize(width(), editor_->height());
    } else {
        pages_->show();
        separator_->show();
        apply_list_widths();
    }
}

void DiaryEditorWindow::toggle_scrolling() {
    if (scroll_timer_->interval() > 0) {
        scroll_timer_->set_interval(0);
        return;
    }
    if (editor_->document()->isEmpty()) return;
    const auto entered =
        prompts_.input_box("请输入滚屏速度，单位：毫秒", {}, {}, ui::InputMode::WholeNumber, this);
    if (!entered) return;
    const double milliseconds = dezu::text::numeric_value(*entered);
    if (milliseconds > 0)
        scroll_timer_->set_interval(dezu::text::truncate_toward_zero(milliseconds));
}

}  // namespace dezu::diary
