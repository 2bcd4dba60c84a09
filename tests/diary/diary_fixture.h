#pragma once

#include <QPlainTextEdit>
#include <QTreeWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/register_windows.h"
#include "diary/diary_book.h"
#include "diary/diary_book_window.h"
#include "diary/diary_editor_window.h"
#include "diary/line_printer.h"
#include "platform/store/record_store.h"
#include "platform/ui/form.h"
#include "platform/ui/status_bar.h"
#include "platform/ui/window_ids.h"
#include "support/program_dir.h"
#include "support/scripted_prompts.h"

struct PageText {
    std::string content;
    std::string title;
    std::string time;
};

// A program directory with the diary's windows registered. Every prompt is
// answered from the script, so no dialog ever waits for a person.
class DiaryTest : public ProgramDirTest {
protected:
    ScriptedPrompts prompts;

    void SetUp() override {
        ProgramDirTest::SetUp();
        g_program_dir = dir() + "/";
        register_all_windows();
    }
    void TearDown() override {
        LinePrinter::set_output_file_for_test(std::nullopt);
        ProgramDirTest::TearDown();
    }

    std::string book_path(const std::string& name) const { return path("sj/" + name + ".SJK"); }

    // A book in sj with these pages.
    void make_book(const std::string& name, const std::vector<PageText>& pages = {},
                   const std::string& file_name = {}) {
        std::filesystem::create_directories(path("sj"));
        const std::string file = file_name.empty() ? book_path(name) : path("sj/" + file_name);
        ASSERT_TRUE(dezu::store::create_store_table(file, diary::diary_book_fields()));
        ASSERT_TRUE(dezu::store::open_store_table(file, "setup", "x"));
        for (const auto& p : pages) {
            dezu::store::append_store_record();
            dezu::store::write_store_field("内容", p.content);
            dezu::store::write_store_field("标题", p.title);
            dezu::store::write_store_field("时间", p.time);
        }
        dezu::store::close_store_table("setup");
    }

    // The stored pages of a book: through the editor's table when it is open
    // (its current record is kept), else through a table of their own.
    std::vector<PageText> stored_pages(const std::string& name, const std::string& password = "x") {
        std::vector<PageText> pages;
        const std::string previous = dezu::store::current_store_alias();
        const std::string file = book_path(name);
        const bool open = dezu::store::is_store_table_open(file);
        if (open)
            dezu::store::select_store_table(file);
        else if (!dezu::store::open_store_table(file, "check", password))
            return pages;
        const int position = dezu::store::current_record_number();
        if (dezu::store::go_to_first_record()) do {
                pages.push_back({dezu::store::read_store_field("内容"),
                                 dezu::store::read_store_field("标题"),
                                 dezu::store::read_store_field("时间")});
            } while (dezu::store::go_to_next_record());
        if (open)
            dezu::store::go_to_record(position);
        else
            dezu::store::close_store_table("check");
        if (!previous.empty()) dezu::store::select_store_table(previous);
        return pages;
    }

    DiaryEditorWindow* open_editor(const std::string& book) {
        g_current_diary_book = book;
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
    static std::vector<std::string> row_titles(DiaryEditorWindow* w) {
        std::vector<std::string> titles;
        for (int i = 0; i < w->page_list()->topLevelItemCount(); ++i)
            titles.push_back(w->page_list()->topLevelItem(i)->text(0).toStdString());
        return titles;
    }
    static int current_row(DiaryEditorWindow* w) {
        return w->page_list()->currentIndex().isValid() ? w->page_list()->currentIndex().row() : -1;
    }
    static void click_row(DiaryEditorWindow* w, int row) {
        w->page_list()->setCurrentItem(w->page_list()->topLevelItem(row));
    }
};
