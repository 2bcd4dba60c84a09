#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <chrono>
#include <functional>

#include "diary_fixture.h"
#include "platform/process/clock.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/timer_control.h"
#include "support/damaged_table.h"

namespace {

class DiaryEditorTest : public DiaryTest {
protected:
    void SetUp() override {
        DiaryTest::SetUp();
        services.clock.set(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7)));
    }
    const std::vector<PageText> three_pages = {
        {"one\nbody", "one", "t1"}, {"two", "two", "t2"}, {"three", "three", "t3"}};

    // A book of five pages too long for a file page each, locked with "pw";
    // gives the pages of its file that hold page 3 alone (found with the
    // sqlcipher command).
    std::vector<int> make_locked_book_of_five(const std::string& name) {
        for (int i = 1; i <= 5; ++i) {
            const std::string n = std::to_string(i);
            five_pages.push_back({"第" + n + "页\n" + std::string(2000, static_cast<char>('a' + i)),
                                  "第" + n + "页", "t" + n});
        }
        make_book(name, five_pages);
        {
            dezu::store::Table book = dezu::store::Table::open(book_path(name), "x");
            EXPECT_TRUE(book.set_password("pw"));
        }
        return pages_of_record_alone(book_path(name), "pw", 3, 5);
    }
    std::vector<PageText> five_pages;
};

TEST_F(DiaryEditorTest, EmptyBookOpensWithOneBlankPage) {
    make_book("new");
    dezu::ui::load_window(dezu::ui::windows::kDiaryBook);
    DiaryEditorWindow* w = open_editor("new");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle().toStdString(), "日记本");
    EXPECT_TRUE(session().has_book());
    EXPECT_EQ(session().page_count(), 1);
    EXPECT_EQ(row_titles(w), std::vector<std::string>{""});
    EXPECT_EQ(current_row(w), 0);
    EXPECT_EQ(status(w, 3), "1");
    EXPECT_EQ(status(w, 5), "1");
    EXPECT_EQ(status(w, 1), "new");
    EXPECT_EQ(editor_text(w), "");
    EXPECT_EQ(session().page_number(), 1);
    EXPECT_EQ(dezu::settings::read_setting(clock_ini(), "记事", "当前用户"), "new");
    EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryBook));
    EXPECT_FALSE(w->toolbar_button(DiaryEditorWindow::kUnlock)->isEnabled());
    EXPECT_TRUE(w->toolbar_button(DiaryEditorWindow::kLock)->isEnabled());
    EXPECT_EQ(w->editor()->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(w->editor()->font().pixelSize(), 21);
}

TEST_F(DiaryEditorTest, BookWithPagesOpensOnItsLastPage) {
    make_book("b", three_pages);
    DiaryEditorWindow* w = open_editor("b");
    ASSERT_TRUE(w);
    EXPECT_EQ(row_titles(w), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(row_text(w, 1, 1), "t2");
    EXPECT_EQ(current_row(w), 2);
    EXPECT_EQ(status(w, 3), "3");
    EXPECT_EQ(status(w, 5), "3");
    EXPECT_EQ(editor_text(w), "three");
    EXPECT_EQ(session().page_number(), 3);
    EXPECT_EQ(session().shown_record(), 3);
    EXPECT_EQ(session().page_title(), "");
}

TEST_F(DiaryEditorTest, MissingBookFileLeavesAnEmptyWindowThatTouchesNoOtherTable) {
    make_book("mail", {{"account", "", ""}});
    const std::string before = read_file("sj/mail.SJK");
    DiaryEditorWindow* w = open_editor("nothing here");
    ASSERT_TRUE(w);
    EXPECT_EQ(status(w, 1), "");
    EXPECT_EQ(status(w, 3), "");
    EXPECT_EQ(row_count(w), 0);
    type_text(w, "typed");
    for (int command :
         {DiaryEditorWindow::kNew, DiaryEditorWindow::kSave, DiaryEditorWindow::kDelete,
          DiaryEditorWindow::kLock, DiaryEditorWindow::kUnlock})
        w->on_diary_toolbar_click(command);
    dezu::ui::destroy_window(dezu::ui::windows::kDiaryEditor);
    EXPECT_EQ(read_file("sj/mail.SJK"), before);
    EXPECT_FALSE(session().has_book());
}

TEST_F(DiaryEditorTest, RefusedOpeningShowsTheStoreErrorAndKeepsTheBookWindow) {
    std::filesystem::create_directories(path("sj"));
    write_file("sj/broken.SJK", "this is not a diary book at all");
    dezu::ui::load_window(dezu::ui::windows::kDiaryBook);
    session().set_current_book("broken");
    dezu::ui::load_window(dezu::ui::windows::kDiaryEditor);
    EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryEditor));
    EXPECT_TRUE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryBook));
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_NE(prompts.messages()[0].find("broken.SJK"), std::string::npos);
    EXPECT_EQ(read_file("sj/broken.SJK"), "this is not a diary book at all");
}

TEST_F(DiaryEditorTest, AnEarlierBookLeftOpenIsClosedBeforeTheNextOpens) {
    make_book("first", {{"a", "a", ""}});
    make_book("second", {{"b", "b", ""}});
    DiaryEditorWindow* w = open_editor("first");
    type_text(w, "");
    w->close();  // title bar, empty page: the table stays open
    process_events();
    EXPECT_EQ(session().book_path(), book_path("first"));
    EXPECT_TRUE(session().has_book());
    w = open_editor("second");
    ASSERT_TRUE(w);
    EXPECT_EQ(session().book_path(), book_path("second"));
    EXPECT_EQ(editor_text(w), "b");
}

// A locked book with one byte flipped in a page that holds page 3 alone (found
// with the sqlcipher command): the list shows what can be read and the damage
// is told; 前页 onto page 3 shows nothing of another page, and nothing is
// ever saved under it.
TEST_F(DiaryEditorTest, ADamagedPageOfALockedBookIsToldAndNeverWrittenOver) {
    const std::vector<int> damaged = make_locked_book_of_five("locked");
    const std::vector<PageText>& pages = five_pages;
    const std::string locked = read_file("sj/locked.SJK");
    // The first of its overflow pages, whose damage SQLite meets, and the
    // last, which SQLCipher hands back as zeros.
    ASSERT_GE(damaged.size(), 2u);
    const std::string told = "第3页无法读取，日记本文件已损坏：" + book_path("locked");
    for (const int page : damaged) {
        SCOPED_TRACE("file page " + std::to_string(page));
        write_file("sj/locked.SJK", locked);
        flip_byte_in_page(book_path("locked"), page);
        const std::size_t told_before = prompts.messages().size();
        prompts.then_text("pw");
        DiaryEditorWindow* w = open_editor("locked");
        ASSERT_TRUE(w);
        EXPECT_EQ(row_titles(w),
                  (std::vector<std::string>{"第1页", "第2页", "（无法读取）", "第4页", "第5页"}));
        EXPECT_EQ(prompts.messages().size(), told_before + 1);
        EXPECT_EQ(prompts.messages().back(), told);
        EXPECT_EQ(editor_text(w), pages[4].content);

        w->on_diary_toolbar_click(DiaryEditorWindow::kPrevious);
        EXPECT_EQ(editor_text(w), pages[3].content);
        w->on_diary_toolbar_click(DiaryEditorWindow::kPrevious);
        EXPECT_EQ(status(w, 5), "3");
        EXPECT_EQ(editor_text(w), "");
        EXPECT_TRUE(w->editor()->isReadOnly());
        EXPECT_EQ(prompts.messages().size(), told_before + 2);
        EXPECT_EQ(prompts.messages().back(), told);
        w->on_diary_toolbar_click(DiaryEditorWindow::kSave);
        w->on_diary_toolbar_click(DiaryEditorWindow::kPrevious);
        EXPECT_EQ(editor_text(w), pages[1].content);
        EXPECT_FALSE(w->editor()->isReadOnly());
        w->on_diary_toolbar_click(DiaryEditorWindow::kNext);
        EXPECT_EQ(status(w, 5), "3");
        // Closing on the damaged page stores nothing either.
        w->on_diary_toolbar_click(DiaryEditorWindow::kClose);

        const dezu::store::Table book = dezu::store::Table::open(book_path("locked"), "pw");
        const auto stored = book.read_all({"内容", "标题"});
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->unreadable, std::vector<int>{3});
        for (const int i : {0, 1, 3, 4})
            EXPECT_EQ(stored->rows[static_cast<std::size_t>(i)],
                      (std::vector<std::string>{pages[static_cast<std::size_t>(i)].content,
                                                pages[static_cast<std::size_t>(i)].title}));
    }
}

// The commands that would take a page that cannot be read for an empty one
// refuse it and say why: 导出 writes nothing, not even over an older export
// of the name chosen, 导入 adds nothing, 删除 deletes nothing.
TEST_F(DiaryEditorTest, CommandsThatNeedThePagesTextRefuseADamagedPage) {
    const std::vector<int> damaged = make_locked_book_of_five("locked");
    ASSERT_FALSE(damaged.empty());
    flip_byte_in_page(book_path("locked"), damaged.front());
    const std::string told = "第3页无法读取，日记本文件已损坏：" + book_path("locked");
    for (const int command :
         {DiaryEditorWindow::kExport, DiaryEditorWindow::kImport, DiaryEditorWindow::kDelete}) {
        SCOPED_TRACE(command);
        prompts.then_text("pw");
        DiaryEditorWindow* w = open_editor("locked");
        ASSERT_TRUE(w);
        w->on_diary_toolbar_click(DiaryEditorWindow::kPrevious);
        w->on_diary_toolbar_click(DiaryEditorWindow::kPrevious);
        ASSERT_EQ(status(w, 5), "3");
        write_file("old.TXT", "an earlier export");
        const std::size_t asked_before = prompts.asked().size();
        const std::size_t told_before = prompts.messages().size();
        // What the user would answer, were anything asked.
        if (command == DiaryEditorWindow::kExport) prompts.then_text(path("old.TXT"));
        if (command == DiaryEditorWindow::kDelete) prompts.then_button(dezu::ui::Button::Yes);
        w->on_diary_toolbar_click(command);
        // Told at once: nothing is asked first.
        EXPECT_EQ(prompts.asked().size(), asked_before + 1);
        ASSERT_EQ(prompts.messages().size(), told_before + 1);
        EXPECT_EQ(prompts.messages().back(), told);
        EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryImport));
        EXPECT_EQ(read_file("old.TXT"), "an earlier export");
        EXPECT_EQ(row_count(w), 5);
        w->on_diary_toolbar_click(DiaryEditorWindow::kClose);
        const dezu::store::Table book = dezu::store::Table::open(book_path("locked"), "pw");
        const auto stored = book.read_all({"内容"});
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->rows.size(), 5u);
        EXPECT_EQ(stored->unreadable, std::vector<int>{3});
        // An answer left unused must not reach the next opening.
        prompts = ScriptedPrompts();
    }
}

TEST_F(DiaryEditorTest, TitleIsTheFirstLineWithOtherThanBlanks) {
    make_book("t");
    DiaryEditorWindow* w = open_editor("t");
    struct Case {
        const char* text;
        const char* title;
    };
    for (const Case& c :
         {Case{"\n  \n  Hello world  \nnext", "Hello world"}, Case{"   \n\t\n ", ""},
          Case{"first line\n", "first line"}, Case{"\nx\n", "x"}, Case{"", ""},
          Case{"\u3000中文标题 \n正文", "中文标题"}, Case{"\n\n\n日", "日"},
          Case{"\u3000 \u3000\n \t 两 端 \u3000\n", "两 端"},
          Case{"\r\n\r\nwindows\r\n", "windows"}, Case{"  a  b  ", "a  b"}}) {
        SCOPED_TRACE(c.text);
        type_text(w, c.text);
        w->derive_page_title();
        EXPECT_EQ(session().page_title(), c.title);
    }
}

TEST_F(DiaryEditorTest, SavingAPageWithManyLeadingBlankLinesTakesOnePass) {
    make_book("long", three_pages);
    DiaryEditorWindow* w = open_editor("long");
    // As an import with its markup stripped leaves them.
    std::string text;
    for (int i = 0; i < 20000; ++i) text += i % 3 == 0 ? "\n" : i % 3 == 1 ? "   \n" : "\u3000\n";
    text += "  标题 at the end  \nbody";
    type_text(w, text);
    // 保存, and 前页 which saves the page it leaves.
    for (int command : {DiaryEditorWindow::kSave, DiaryEditorWindow::kPrevious}) {
        SCOPED_TRACE(command);
        const auto start = std::chrono::steady_clock::now();
        w->on_diary_toolbar_click(command);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    }
    EXPECT_EQ(editor_text(w), "two");
    const auto pages = stored_pages("long");
    EXPECT_EQ(pages[2].title, "标题 at the end");
    EXPECT_EQ(pages[2].content, text);
    EXPECT_EQ(row_titles(w)[2], "标题 at the end");
}

TEST_F(DiaryEditorTest, StatusBarCaptionsFitTheirPartsWhateverTheDesktopFont) {
    const QFont desktop = QApplication::font();
    const auto restore = qScopeGuard([&desktop] { QApplication::setFont(desktop); });
    for (int points : {9, 11, 14}) {
        SCOPED_TRACE(points);
        QFont font = desktop;
        font.setPointSize(points);
        QApplication::setFont(font);
        make_book("f" + std::to_string(points), three_pages);
        DiaryEditorWindow* w = open_editor("f" + std::to_string(points));
        ASSERT_TRUE(w);
        const auto parts = w->status_bar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        ASSERT_EQ(parts.size(), 6);
        EXPECT_EQ(parts[0]->text().toStdString(), "日记名称");
        for (int part : {0, 2, 4}) {
            const QLabel* label = parts[part];
            SCOPED_TRACE(label->text().toStdString());
            EXPECT_EQ(label->width(), 50);
            // A framed label draws its text half an "x" in from the frame.
            const QFontMetrics metrics = label->fontMetrics();
            EXPECT_LE(metrics.horizontalAdvance(label->text()) +
                          metrics.horizontalAdvance(QLatin1Char('x')) / 2,
                      label->contentsRect().width());
        }
        dezu::ui::destroy_window(dezu::ui::windows::kDiaryEditor);
    }
}

TEST_F(DiaryEditorTest, DoubleClickSavesThePageShownAndShowsTheClickedOne) {
    make_book("d", three_pages);
    DiaryEditorWindow* w = open_editor("d");
    // The row of the page shown: nothing happens, nothing is saved.
    type_text(w, "changed but not saved");
    w->on_page_list_double_click();
    EXPECT_EQ(stored_pages("d")[2].content, "three");

    // Another row.
    type_text(w, "  new title\nthird page");
    click_row(w, 0);
    w->on_page_list_double_click();
    EXPECT_EQ(editor_text(w), "one\nbody");
    EXPECT_EQ(status(w, 5), "1");
    EXPECT_EQ(session().page_number(), 1);
    const auto pages = stored_pages("d");
    EXPECT_EQ(pages[2].content, "  new title\nthird page");
    EXPECT_EQ(pages[2].title, "new title");
    EXPECT_EQ(pages[2].time, "2024-03-05 09:05:07");
    EXPECT_EQ(row_titles(w), (std::vector<std::string>{"one", "two", "three"}));

    // An empty page is saved empty when left.
    type_text(w, "");
    click_row(w, 1);
    w->on_page_list_double_click();
    EXPECT_EQ(stored_pages("d")[0].content, "");
    EXPECT_EQ(stored_pages("d")[0].title, "");
    EXPECT_EQ(editor_text(w), "two");
}

TEST_F(DiaryEditorTest, ResizingKeepsTheListBesideTheEditorOrGivesTheEditorTheWidth) {
    make_book("r");
    DiaryEditorWindow* w = open_editor("r");
    w->resize(800, 600);
    EXPECT_EQ(w->editor()->height(), 510);
    EXPECT_EQ(w->page_list()->height(), 510);
    EXPECT_EQ(w->editor()->width(), 800 - 278 - 12);
    EXPECT_EQ(w->separator()->x(), 800 - 278 - 12 + 2);
    EXPECT_EQ(w->page_list()->x(), 800 - 278 + 2);

    w->on_diary_toolbar_click(DiaryEditorWindow::kContents);
    EXPECT_TRUE(w->page_list()->isHidden());
    EXPECT_TRUE(w->separator()->isHidden());
    EXPECT_EQ(w->editor()->width(), 800);
    w->resize(700, 500);
    EXPECT_EQ(w->editor()->width(), 700);
    EXPECT_EQ(w->editor()->height(), 410);
    w->on_diary_toolbar_click(DiaryEditorWindow::kContents);
    EXPECT_FALSE(w->page_list()->isHidden());
    EXPECT_EQ(w->editor()->width(), 700 - 278 - 12);
}

TEST_F(DiaryEditorTest, ClosingFromTheTitleBarSavesAPageWithText) {
    make_book("c", three_pages);
    DiaryEditorWindow* w = open_editor("c");
    type_text(w, "last words");
    w->close();
    process_events();
    EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryEditor));
    EXPECT_FALSE(session().has_book());
    EXPECT_EQ(session().current_book(), "");
    const auto pages = stored_pages("c");
    EXPECT_EQ(pages[2].content, "last words");
    EXPECT_EQ(pages[2].time, "2024-03-05 09:05:07");

    // With an empty page nothing is stored and the book stays open.
    w = open_editor("c");
    type_text(w, "");
    w->close();
    process_events();
    EXPECT_TRUE(session().has_book());
    EXPECT_EQ(stored_pages("c")[2].content, "last words");
}

TEST_F(DiaryEditorTest, AnOrderlyEndKeepsAChangedPageWithText) {
    // The end runs no closing handler; what it saves is the page shown, as
    // the closing would, and only when there is something new to keep.
    struct Case {
        const char* book;
        std::function<void(DiaryEditorWindow*)> edit;
        const char* content;  // page 3 after the end
        const char* time;
    };
    const auto type = [](DiaryEditorWindow* w, const QString& keys) {
        w->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(w->editor(), keys);
    };
    const Case cases[] = {
        {"typed", [&](DiaryEditorWindow* w) { type(w, QStringLiteral(" more")); }, "three more",
         "2024-03-05 09:05:07"},
        {"imported",
         [&](DiaryEditorWindow*) { emit session().text_imported(QStringLiteral("\nfrom a file")); },
         "three\nfrom a file", "2024-03-05 09:05:07"},
        {"untouched", [](DiaryEditorWindow*) {}, "three", "t3"},
        {"emptied",
         [](DiaryEditorWindow* w) {
             w->editor()->selectAll();
             QTest::keyClick(w->editor(), Qt::Key_Delete);
         },
         "three", "t3"},
        // Saved already: the end does not stamp it again.
        {"saved",
         [&](DiaryEditorWindow* w) {
             type(w, QStringLiteral("!"));
             w->on_diary_toolbar_click(DiaryEditorWindow::kSave);
             services.clock.set(QDateTime(QDate(2024, 3, 6), QTime(10, 0, 0)));
         },
         "three!", "2024-03-05 09:05:07"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.book);
        services.clock.set(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7)));
        make_book(c.book, three_pages);
        DiaryEditorWindow* w = open_editor(c.book);
        c.edit(w);
        program().end_in_order();
        const auto pages = stored_pages(c.book);
        ASSERT_EQ(pages.size(), 3u);
        EXPECT_EQ(pages[2].content, c.content);
        EXPECT_EQ(pages[2].time, c.time);
        EXPECT_EQ(pages[0].content, "one\nbody");
        // A session end that is called off goes on with the book as it was.
        EXPECT_TRUE(session().has_book());
        EXPECT_TRUE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryEditor));
        dezu::ui::discard_all_windows();
    }
}

TEST_F(DiaryEditorTest, AutoScrollMovesOneLinePerTickAndKeepsTickingAtTheEnd) {
    make_book("s");
    DiaryEditorWindow* w = open_editor("s");
    w->show();
    std::string text;
    for (int i = 0; i < 60; ++i) text += "line " + std::to_string(i) + "\n";
    type_text(w, text);
    QScrollBar* bar = w->editor()->verticalScrollBar();
    bar->setValue(0);
    w->scroll_editor_one_line();
    EXPECT_EQ(bar->value(), 1);

    prompts.then_text("5");
    w->on_diary_toolbar_click(DiaryEditorWindow::kScroll);
    EXPECT_EQ(w->scroll_timer()->interval(), 5);
    // 47 ticks at 5 ms; a busy machine may deliver them later.
    EXPECT_TRUE(wait_until([&] { return bar->value() == bar->maximum(); }));
    run_timer_periods(5, 10);  // it stays at the end, still running
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(w->scroll_timer()->is_running());
    EXPECT_EQ(editor_text(w), text);
}

}  // namespace
