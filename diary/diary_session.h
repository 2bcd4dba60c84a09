#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/store/table.h"
#include "platform/work/task_group.h"

class QWidget;
namespace dezu::settings {
class Settings;
}

namespace dezu::diary {

// The diary's state: the diary folder, the chosen book and, while the editor
// has it, the open book with the number and title of the page shown, and the
// sources of the next import. Created once; the book window, the editor and
// the import windows are views of it.
//
// Every change to the book is one transaction; a change that did not hold is
// told to the user and answered false. An import runs off the UI thread and
// hands its texts back through text_imported.
class DiarySession : public QObject {
    Q_OBJECT
public:
    DiarySession(dezu::ProgramSite site, dezu::settings::Settings& settings,
                 dezu::Services services, QObject* parent = nullptr);
    ~DiarySession() override;

    // The folder of the books: the program folder + "sj", no trailing "/".
    const std::string& diary_dir() const { return diary_dir_; }
    void use_program_diary_dir() { diary_dir_ = site_.path("sj"); }

    const std::string& current_book() const { return current_book_; }
    void set_current_book(std::string name) { current_book_ = std::move(name); }
    // The book remembered in the settings: the last one created or opened.
    std::string remembered_book() const;
    void remember_book(const std::string& name);

    // A new empty book in the diary folder; when it cannot be made the user
    // is told why.
    bool create_book(const std::string& name, QWidget* owner);
    // Deletes the book's files; false, silently, when its table stays.
    bool delete_book(const std::string& name);

    // Opening the current book for the editor.
    enum class Opening { Missing, Refused, Opened };
    Opening open_current_book();
    // Why the last opening was refused.
    std::string opening_error() const;
    bool has_book() const { return book_.is_open(); }
    // The open book, for reading only: its changes go through the methods
    // below.
    const dezu::store::Table& book() const { return book_; }
    const std::string& book_path() const { return book_path_; }
    void close_book();
    bool book_has_password() const;

    int page_count() const { return book_.is_open() ? book_.record_count() : 0; }
    // The page the table stands on, 0 when none.
    int shown_record() const { return book_.is_open() ? book_.current_record() : 0; }
    // Title and time of every page, in page order, and the pages whose own
    // data cannot be read (their rows are empty).
    dezu::store::Table::AllRecords page_titles() const;
    // Makes page n the shown one and gives its text; nothing when it cannot.
    // When page n is shown but its text cannot be read, the page shown is
    // unreadable until another page is shown.
    std::optional<std::string> show_page(int number);
    bool shown_page_unreadable() const { return !shown_page_problem_.empty(); }
    // What to tell the user: these pages of the list cannot be read, or the
    // page shown cannot.
    std::string unreadable_pages_text(const std::vector<int>& numbers) const;
    std::string unreadable_shown_page_text() const;

    // Each is one transaction; a failure is told and nothing of it is kept.
    bool save_page(const std::string& content, const std::string& title, QWidget* owner);
    bool append_page(QWidget* owner);
    bool delete_shown_page(QWidget* owner);
    bool set_book_password(const std::string& password, QWidget* owner);

    int page_number() const { return page_number_; }
    void set_page_number(int number) { page_number_ = number; }
    const std::string& page_title() const { return page_title_; }
    void set_page_title(std::string title) { page_title_ = std::move(title); }

    // The time text written with a saved page.
    std::string time_text() const;

    // The sources the import window chose, and how to take them.
    const std::vector<std::string>& import_sources() const { return import_sources_; }
    void set_import_sources(std::vector<std::string> sources) {
        import_sources_ = std::move(sources);
    }
    bool import_from_web() const { return import_from_web_; }
    void set_import_from_web(bool web) { import_from_web_ = web; }
    bool strip_html_on_import() const { return strip_html_on_import_; }
    void set_strip_html_on_import(bool strip) { strip_html_on_import_ = strip; }

    // Fetches or reads every source in turn, off the UI thread. The sources
    // are copied: a new choice meanwhile does not change this run.
    void start_import();
    // Stops the run: nothing more arrives, and its thread ends within a second.
    void cancel_import();
    bool importing() const { return importing_; }
    // Whether a thread of an import (a cancelled one too) is still running.
    bool import_busy() { return imports_.busy(); }

    // The program ends in order (the user left it, the session ends, the
    // system asked it to) without the windows' closing handlers; a page
    // being written is kept all the same (program_ending).
    void end_of_program() { emit program_ending(); }

    dezu::ui::Prompts& prompts() const { return services_.prompts; }
    dezu::ui::FailureReporter& failures() const { return services_.failures; }
    dezu::shell::ShellActions& shell() const { return services_.shell; }

signals:
    // The run is on this source now (shown at most every 50 ms).
    void import_source_started(const QString& source);
    // Text to append to the page shown, in order.
    void text_imported(const QString& text);
    // The run ended, done or cancelled.
    void import_ended();
    // See end_of_program.
    void program_ending();

private:
    // The steps as one transaction of the book: all of them stay, or none
    // and the user is told.
    bool change_book(const std::function<bool()>& steps, const std::string& failure,
                     QWidget* owner);
    void report(const std::string& what, QWidget* owner);
    // Why the book, or a part of it, cannot be read.
    std::string book_problem_text() const;

    dezu::ProgramSite site_;
    dezu::settings::Settings& settings_;
    dezu::Services services_;
    std::string diary_dir_;
    std::string current_book_;
    std::string book_path_;
    int page_number_ = 0;
    // Why the page shown cannot be read; "" when it can.
    std::string shown_page_problem_;
    std::string page_title_;
    std::vector<std::string> import_sources_;
    bool import_from_web_ = false;
    bool strip_html_on_import_ = false;
    bool importing_ = false;
    dezu::store::Table book_;
    dezu::work::TaskGroup imports_{this};  // last: its end waits for the work
};

// The text with every tag ("<" up to the first ">" after it) and every
// "&nbsp;" removed. A "<" with no ">" after it stays, with all that follows.
std::string strip_markup(std::string_view text);
std::u16string strip_markup(std::u16string_view text);

// The bytes of one source as text for the editor, in UTF-16: cut at the
// first zero byte, then decoded (UTF-16 and UTF-8 by their byte-order mark,
// else UTF-8 kept and anything else read as GB18030), unless they came from
// the web decoded.
std::u16string imported_text(std::string_view bytes, bool from_web);

}  // namespace dezu::diary
