#pragma once

#include <sys/resource.h>

#include <QPlainTextEdit>
#include <QTreeView>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "diary/diary_book.h"
#include "diary/diary_book_window.h"
#include "diary/diary_editor_window.h"
#include "diary/diary_session.h"
#include "diary/line_printer.h"
#include "platform/store/table.h"
#include "platform/ui/form.h"
#include "platform/ui/status_bar.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"
#include "support/scripted_prompts.h"
#include "support/test_services.h"

namespace diary = dezu::diary;
using dezu::app::Program;
using dezu::diary::DiaryBookWindow;
using dezu::diary::DiaryEditorWindow;
using dezu::diary::DiarySession;

// While it lives, no file of this process may grow past the given size, as
// on a full disk; it works for every user, root included.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

struct PageText {
    std::string content;
    std::string title;
    std::string time;
};

// A program in a fresh folder with stand-in services. Every prompt is
// answered from the script, so no dialog ever waits for a person.
class DiaryTest : public ProgramDirTest {
protected:
    TestServices services;
    ScriptedPrompts& prompts = services.prompts;

    void SetUp() override {
        ProgramDirTest::SetUp();
        program_ = std::make_unique<Program>(test_site(dir()), services.services());
    }
    void TearDown() override {
        program_.reset();
        ProgramDirTest::TearDown();
    }

    Program& program() { return *program_; }
    // The end of the run: what image_entry's scope does on the way out.
    void end_program() { program_.reset(); }
    DiarySession& session() { return program_->diary(); }

    std::string book_path(const std::string& name) const { return path("sj/" + name + ".SJK"); }

    // A book in sj with these pages.
    void make_book(const std::string& name, const std::vector<PageText>& pages = {},
                   const std::string& file_name = {}) {
        using dezu::store::Table;
        std::filesystem::create_directories(path("sj"));
        const std::string file = file_name.empty() ? book_path(name) : path("sj/" + file_name);
        ASSERT_TRUE(Table::create(file, diary::diary_book_fields()).ok());
        Table book = Table::open(file, "x");
        ASSERT_TRUE(book.is_open());
        for (const auto& p : pages) {
            ASSERT_TRUE(book.append());
            ASSERT_TRUE(book.write("内容", p.content));
            ASSERT_TRUE(book.write("标题", p.title));
            ASSERT_TRUE(book.write("时间", p.time));
        }
    }

    // The stored pages of a book: through the session while it has the book
    // open (a book is open in one place only), else through a handle of the
    // test's own.
    std::vector<PageText> stored_pages(const std::string& name, const std::string& password = "x") {
        std::vector<PageText> pages;
        dezu::store::Table own;
        const dezu::store::Table* book = &session().book();
        if (!session().has_book() || session().book_path() != book_path(name)) {
            own = dezu::store::Table::open(book_path(name), password);
            book = &own;
        }
        if (!book->is_open()) return pages;
        const auto all = book->read_all({"内容", "标题", "时间"});
        if (!all) return pages;
        for (const auto& row : all->rows) pages.push_back({row[0], row[1], row[2]});
        return pages;
    }

    DiaryEditorWindow* open_editor(const std::string& book) {
        session().set_current_book(book);
        dezu::ui::load_window(dezu::ui::windows::kDiaryEditor);
        return editor_window();
    }
    static DiaryEditorWindow* editor_window() {
        return dezu::ui::loaded_window_as<DiaryEditorWindow>(dezu::ui::windows::kDiaryEditor);
    }
    static DiaryBookWindow* book_window() {
        return dezu::ui::loaded_window_as<DiaryBookWindow>(dezu::ui::windows::kDiaryBook);
    }

    static std::string editor_text(DiaryEditorWindow* w) {
        return w->editor()->toPlainText().toStdString();
    }
    static void type_text(DiaryEditorWindow* w, const std::string& text) {
        w->editor()->setPlainText(QString::fromStdString(text));
    }
    static std::string status(DiaryEditorWindow* w, int part) {
        return w->status_bar()->part_text(part);
    }
    static int row_count(DiaryEditorWindow* w) { return w->page_list()->model()->rowCount(); }
    // The text of a row of the page list: column 0 the title, 1 the time.
    static std::string row_text(DiaryEditorWindow* w, int row, int column) {
        return w->page_list()->model()->index(row, column).data().toString().toStdString();
    }
    static std::vector<std::string> row_titles(DiaryEditorWindow* w) {
        std::vector<std::string> titles;
        for (int i = 0; i < row_count(w); ++i) titles.push_back(row_text(w, i, 0));
        return titles;
    }
    static int current_row(DiaryEditorWindow* w) {
        return w->page_list()->currentIndex().isValid() ? w->page_list()->currentIndex().row() : -1;
    }
    static void click_row(DiaryEditorWindow* w, int row) {
        w->page_list()->setCurrentIndex(w->page_list()->model()->index(row, 0));
    }

private:
    std::unique_ptr<Program> program_;
};
