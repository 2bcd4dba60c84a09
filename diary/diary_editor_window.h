#pragma once

#include <array>
#include <string>

#include "platform/ui/form.h"
#include "platform/ui/prompts.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QTreeView;
namespace dezu::ui {
class PrinterChoice;
class StatusBar;
class TimerControl;
}  // namespace dezu::ui

namespace dezu::diary {

class LinePrinter;
class PageListModel;
class DiarySession;

// The page editor of one diary book: the page shown in the edit box, the
// book's pages listed by title and time, and the toolbar's commands.
class DiaryEditorWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    static constexpr int kToolbarButtons = 15;
    // The toolbar's buttons, by index.
    enum Command {
        kNew,
        kImport,
        kExport,
        kSave,
        kFont,
        kPrint,
        kDelete,
        kPrevious,
        kNext,
        kLock,
        kUnlock,
        kClose,
        kReturn,
        kContents,
        kScroll
    };

    DiaryEditorWindow(DiarySession& session, dezu::ui::Prompts& prompts,
                      dezu::ui::PrinterChoice& printers);

    void on_created() override { init_diary_editor(); }
    void on_closing() override;

    void init_diary_editor();
    void layout_diary_editor();
    void save_page_on_close();
    // The program ends without closing handlers: the page being written is
    // saved all the same, when it was changed and holds text.
    void save_page_at_end();
    void on_page_list_double_click();
    void scroll_editor_one_line();
    void on_diary_toolbar_click(int index);

    void derive_page_title();
    // False when the page could not be stored (the user has been told).
    bool save_shown_page();
    void show_page(int number);

    QPlainTextEdit* editor() const { return editor_; }
    QTreeView* page_list() const { return pages_; }
    QLabel* separator() const { return separator_; }
    dezu::ui::StatusBar* status_bar() const { return status_; }
    QWidget* toolbar() const { return toolbar_; }
    QAction* toolbar_button(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
    dezu::ui::TimerControl* scroll_timer() const { return scroll_timer_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // False when the editor has no book open.
    bool has_book() const;
    void set_page_status(int count, int shown);
    int current_row() const;
    void set_current_row(int row);
    // Shows page n's text; false when page n is shown but its text cannot be
    // read, and then nothing of it is shown and nothing is saved under it.
    bool show_page_text(int number);
    void tell_unreadable_page();
    void apply_list_widths();

    void new_page();
    void import_pages();
    void export_page();
    void save_page();
    void choose_font();
    void print_page();
    void delete_page();
    void previous_page();
    void next_page();
    void lock_book();
    void unlock_book();
    void close_editor();
    void return_to_books();
    void toggle_page_list();
    void toggle_scrolling();

    DiarySession& session_;
    dezu::ui::Prompts& prompts_;
    dezu::ui::PrinterChoice& printers_;
    QWidget* toolbar_ = nullptr;
    std::array<QAction*, kToolbarButtons> buttons_{};
    QPlainTextEdit* editor_ = nullptr;
    QLabel* separator_ = nullptr;
    QTreeView* pages_ = nullptr;
    PageListModel* page_rows_ = nullptr;
    dezu::ui::StatusBar* status_ = nullptr;
    dezu::ui::TimerControl* scroll_timer_ = nullptr;
    LinePrinter* printer_ = nullptr;
    // The font dialog opens with its own previous choice.
    dezu::ui::FontChoice font_dialog_choice_;
};

}  // namespace dezu::diary
