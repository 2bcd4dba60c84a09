#include <QComboBox>
#include <QPushButton>

#include "diary_fixture.h"
#include "platform/files/files.h"
#include "platform/settings/settings_file.h"

using dezu::settings::read_setting;
using dezu::settings::write_setting;
using dezu::ui::Button;

namespace {

class DiaryBookWindowTest : public DiaryTest {
protected:
    DiaryBookWindow* load() {
        dezu::ui::load_window(dezu::ui::windows::kDiaryBook);
        return book_window();
    }
    static std::vector<std::string> items(DiaryBookWindow* w) {
        std::vector<std::string> names;
        for (int i = 0; i < w->book_list()->count(); ++i)
            names.push_back(w->book_list()->itemText(i).toStdString());
        return names;
    }
    static std::string selected(DiaryBookWindow* w) {
        return w->book_list()->currentIndex() < 0 ? "<none>"
                                                  : w->book_list()->currentText().toStdString();
    }
    static void press(DiaryBookWindow* w, const char* button) {
        w->control<QPushButton>(button)->click();
    }
    std::string remembered() { return read_setting(clock_ini(), "记事", "当前用户", "<missing>"); }
};

TEST_F(DiaryBookWindowTest, FirstStartMakesTheFolderAndOpenAsksForABook) {
    DiaryBookWindow* w = load();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle().toStdString(), "选择日记本");
    EXPECT_TRUE(std::filesystem::is_directory(path("sj")));
    EXPECT_EQ(session().diary_dir(), dir() + "/sj");
    EXPECT_TRUE(items(w).empty());
    press(w, "按钮1");
    EXPECT_EQ(prompts.messages(), std::vector<std::string>{"请先选择一个日记本"});
    EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryEditor));
}

TEST_F(DiaryBookWindowTest, FolderThatCannotBeMadeIsReported) {
    write_file("sj", "a file where the folder should be");
    DiaryBookWindow* w = load();
    EXPECT_EQ(prompts.messages(), std::vector<std::string>{"建立数据失败"});
    EXPECT_TRUE(items(w).empty());
    // 新建 then fails, and says so.
    prompts.then_text("book");
    press(w, "按钮2");
    ASSERT_EQ(prompts.messages().size(), 2u);
    EXPECT_TRUE(prompts.messages()[1].starts_with("日记本“book”没有建立："));
    EXPECT_EQ(prompts.asked().back().style, dezu::ui::MessageStyle::Stop);
    EXPECT_TRUE(items(w).empty());
}

TEST_F(DiaryBookWindowTest, ListsBooksOfEitherCaseAndPreselects) {
    make_book("Home");
    make_book("work", {}, "work.sjk");
    write_file("sj/notes.txt", "x");
    std::filesystem::create_directories(path("sj/folder.SJK"));

    struct Case {
        const char* remembered;
        std::string selected;
        std::string current;
    };
    for (const Case& c :
         {Case{"work", "work", "work"}, Case{"", "Home", "Home"}, Case{"gone", "<none>", "gone"}}) {
        SCOPED_TRACE(c.remembered);
        ASSERT_TRUE(write_setting(clock_ini(), "记事", "当前用户", c.remembered));
        session().set_current_book("");
        DiaryBookWindow* w = load();
        EXPECT_EQ(items(w), (std::vector<std::string>{"Home", "work"}));
        EXPECT_EQ(selected(w), c.selected);
        EXPECT_EQ(session().current_book(), c.current);
        dezu::ui::discard_all_windows();
    }
}

TEST_F(DiaryBookWindowTest, RememberedBookThatIsGoneOpensNothingAndDeletesNothing) {
    make_book("kept");
    ASSERT_TRUE(write_setting(clock_ini(), "记事", "当前用户", "gone"));
    DiaryBookWindow* w = load();
    prompts.then_button(Button::Yes);
    press(w, "按钮3");
    EXPECT_EQ(prompts.messages(), std::vector<std::string>{"请确认是否删除这个日记gone"});
    EXPECT_EQ(remembered(), "gone");
    EXPECT_EQ(items(w), std::vector<std::string>{"kept"});
    press(w, "按钮1");
    EXPECT_EQ(prompts.messages().back(), "请先选择一个日记本");
}

TEST_F(DiaryBookWindowTest, NewBookKeepsItsBlanksIsSelectedAndRemembered) {
    make_book("alpha");
    DiaryBookWindow* w = load();
    prompts.then_text(" my book ");
    press(w, "按钮2");
    ASSERT_GE(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].text, "请输入要建立的日记名");
    EXPECT_EQ(prompts.asked()[0].title, std::optional<std::string>("建立日记本"));
    EXPECT_EQ(prompts.asked()[0].input_mode, dezu::ui::InputMode::Plain);
    EXPECT_EQ(prompts.messages(), std::vector<std::string>{"OK,建立成功"});
    EXPECT_TRUE(dezu::files::file_exists(book_path(" my book ")));
    EXPECT_EQ(items(w), (std::vector<std::string>{"alpha", " my book "}));
    EXPECT_EQ(selected(w), " my book ");
    EXPECT_EQ(session().current_book(), " my book ");
    EXPECT_EQ(remembered(), " my book ");

    // 打开 then opens it with one blank page.
    press(w, "按钮1");
    DiaryEditorWindow* editor = editor_window();
    ASSERT_TRUE(editor);
    EXPECT_EQ(session().page_count(), 1);
    EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryBook));
}

TEST_F(DiaryBookWindowTest, NewBookCancelledEmptyOrUnusableChangesNothing) {
    DiaryBookWindow* w = load();
    prompts.then_cancel().then_text("").then_text("../escape");
    press(w, "按钮2");
    press(w, "按钮2");
    press(w, "按钮2");
    EXPECT_EQ(prompts.messages(),
              std::vector<std::string>{"日记本“../escape”没有建立：这个名字不能用作文件名"});
    EXPECT_TRUE(items(w).empty());
    EXPECT_FALSE(dezu::files::file_exists(path("escape.SJK")));
}

TEST_F(DiaryBookWindowTest, NewBookWithTheNameOfAnExistingOneNeverWipesIt) {
    make_book("diary", {{"my only page", "my only page", "t"}});
    const std::string before = read_file("sj/diary.SJK");
    DiaryBookWindow* w = load();
    prompts.then_text("diary");
    press(w, "按钮2");
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_TRUE(prompts.messages()[0].starts_with("日记本“diary”没有建立：数据表文件已存在"));
    EXPECT_EQ(items(w), std::vector<std::string>{"diary"});
    EXPECT_EQ(read_file("sj/diary.SJK"), before);
    EXPECT_EQ(stored_pages("diary").size(), 1u);
    EXPECT_EQ(remembered(), "diary");
}

TEST_F(DiaryBookWindowTest, ABookThatCannotBeWrittenIsToldAndNotListed) {
    make_book("alpha");
    DiaryBookWindow* w = load();
    {
        const FileSizeLimit full_disk(1024);
        prompts.then_text("beta");
        press(w, "按钮2");
    }
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_TRUE(prompts.messages()[0].starts_with("日记本“beta”没有建立："));
    EXPECT_FALSE(dezu::files::file_exists(book_path("beta")));
    EXPECT_EQ(items(w), std::vector<std::string>{"alpha"});
}

TEST_F(DiaryBookWindowTest, DeletingAsksAndRemovesTheBookFiles) {
    make_book("first");
    make_book("only", {}, "only.sjk");
    write_file("sj/only.EDT", "side");
    ASSERT_TRUE(write_setting(clock_ini(), "记事", "当前用户", "only"));
    DiaryBookWindow* w = load();

    prompts.then_button(Button::No);
    press(w, "按钮3");
    EXPECT_TRUE(dezu::files::file_exists(path("sj/only.sjk")));

    prompts.then_button(Button::Yes);
    press(w, "按钮3");
    EXPECT_EQ(prompts.messages(), (std::vector<std::string>{"请确认是否删除这个日记only",
                                                            "请确认是否删除这个日记only"}));
    EXPECT_FALSE(dezu::files::file_exists(path("sj/only.sjk")));
    EXPECT_FALSE(dezu::files::file_exists(path("sj/only.EDT")));
    EXPECT_EQ(remembered(), "");
    // The remaining book is preselected again.
    EXPECT_EQ(items(w), std::vector<std::string>{"first"});
    EXPECT_EQ(selected(w), "first");
    EXPECT_EQ(session().current_book(), "first");

    // Deleting the last book leaves nothing chosen.
    prompts.then_button(Button::Yes);
    press(w, "按钮3");
    EXPECT_TRUE(items(w).empty());
    EXPECT_EQ(session().current_book(), "");
    EXPECT_EQ(remembered(), "");
}

TEST_F(DiaryBookWindowTest, ChoosingInTheListSetsTheBookAndOpenWhileAnEditorIsUpOpensNothing) {
    make_book("a", {{"page of a", "page of a", "t"}});
    make_book("b", {{"page of b", "page of b", "t"}});
    DiaryBookWindow* w = load();
    w->book_list()->setCurrentIndex(0);
    press(w, "按钮1");
    DiaryEditorWindow* editor = editor_window();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor_text(editor), "page of a");

    w = load();
    w->book_list()->setCurrentIndex(1);
    EXPECT_EQ(session().current_book(), "b");
    press(w, "按钮1");
    EXPECT_EQ(editor_window(), editor);
    EXPECT_EQ(editor_text(editor), "page of a");
}

}  // namespace
