#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <set>

#include "diary_fixture.h"
#include "platform/files/files.h"
#include "platform/process/clock.h"
#include "platform/settings/settings_file.h"
#include "platform/text/text.h"
#include "platform/ui/timer_control.h"

using dezu::ui::Button;
using Cmd = DiaryEditorWindow;

namespace {

class DiaryToolbarTest : public DiaryTest {
protected:
    void SetUp() override {
        DiaryTest::SetUp();
        services.clock.set(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7)));
        make_book("b", {{"one", "one", "t1"}, {"two", "two", "t2"}, {"three", "three", "t3"}});
        w = open_editor("b");
        ASSERT_TRUE(w);
    }
    void press(int command) { w->on_diary_toolbar_click(command); }
    std::vector<std::string> contents() {
        std::vector<std::string> texts;
        for (const auto& p : stored_pages("b")) texts.push_back(p.content);
        return texts;
    }
    DiaryEditorWindow* w = nullptr;
};

TEST_F(DiaryToolbarTest, FifteenCaptionedButtonsWithTheirPictures) {
    const std::vector<std::string> captions = {"新建", "导入", "导出", "保存", "字体",
                                               "打印", "删除", "前页", "后页", "加锁",
                                               "解锁", "关闭", "返回", "目录", "滚屏"};
    ASSERT_EQ(w->toolbar()->actions().size(), 15);
    for (int i = 0; i < 15; ++i) {
        SCOPED_TRACE(i);
        QAction* button = w->toolbar_button(i);
        EXPECT_EQ(button->text().toStdString(), captions[static_cast<std::size_t>(i)]);
        const QSize size = button->icon().availableSizes().value(0);
        EXPECT_EQ(size, QSize(32, 32));
    }
    // Every button shows on the toolbar, a picture over its caption.
    const auto buttons = w->toolbar()->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 15);
    for (QToolButton* b : buttons) {
        EXPECT_EQ(b->iconSize(), QSize(32, 32));
        EXPECT_LE(b->geometry().right(), w->toolbar()->width());
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }
    // A click reaches its command.
    w->toolbar_button(Cmd::kPrevious)->trigger();
    EXPECT_EQ(editor_text(w), "two");
    w->on_diary_toolbar_click(15);  // no such button
    w->on_diary_toolbar_click(-1);
}

TEST_F(DiaryToolbarTest, NewSavesAPageWithTextAndAppendsABlankOne) {
    type_text(w, "edited three");
    press(Cmd::kNew);
    EXPECT_EQ(editor_text(w), "");
    EXPECT_EQ(contents(), (std::vector<std::string>{"one", "two", "edited three", ""}));
    // The page left keeps its row texts; only 保存 refreshes a row.
    EXPECT_EQ(row_titles(w), (std::vector<std::string>{"one", "two", "three", ""}));
    EXPECT_EQ(current_row(w), 3);
    EXPECT_EQ(status(w, 3), "4");
    EXPECT_EQ(status(w, 5), "4");
    EXPECT_EQ(session().page_number(), 4);
    // An empty editor saves nothing: several blank pages.
    press(Cmd::kNew);
    EXPECT_EQ(contents().size(), 5u);
    EXPECT_EQ(session().shown_record(), 5);
}

TEST_F(DiaryToolbarTest, SaveWritesThePageAndRefreshesTheCurrentRow) {
    type_text(w, "\n  Fresh title\nbody");
    press(Cmd::kSave);
    const auto pages = stored_pages("b");
    EXPECT_EQ(pages[2].content, "\n  Fresh title\nbody");
    EXPECT_EQ(pages[2].title, "Fresh title");
    EXPECT_EQ(pages[2].time, "2024-03-05 09:05:07");
    EXPECT_EQ(row_titles(w)[2], "Fresh title");
    EXPECT_EQ(row_text(w, 2, 1), "2024-03-05 09:05:07");

    // After a single click on another row, 保存 writes into that row.
    click_row(w, 0);
    press(Cmd::kSave);
    EXPECT_EQ(row_titles(w)[0], "Fresh title");
    EXPECT_EQ(stored_pages("b")[0].content, "one");
}

TEST_F(DiaryToolbarTest, PreviousAndNextStepThroughPagesAndStopAtTheEnds) {
    type_text(w, "three edited");
    press(Cmd::kNext);  // on the last page: nothing, nothing saved
    EXPECT_EQ(contents()[2], "three");
    EXPECT_EQ(editor_text(w), "three edited");

    press(Cmd::kPrevious);
    EXPECT_EQ(contents()[2], "three edited");
    EXPECT_EQ(editor_text(w), "two");
    EXPECT_EQ(status(w, 5), "2");
    EXPECT_EQ(current_row(w), 1);
    press(Cmd::kPrevious);
    EXPECT_EQ(editor_text(w), "one");
    type_text(w, "one edited");
    press(Cmd::kPrevious);  // on page 1: nothing
    EXPECT_EQ(contents()[0], "one");
    EXPECT_EQ(session().page_number(), 1);
    press(Cmd::kNext);
    EXPECT_EQ(contents()[0], "one edited");
    EXPECT_EQ(editor_text(w), "two");
    EXPECT_EQ(current_row(w), 1);

    // 删除 then removes the page stepped to, and its row.
    prompts.then_button(Button::Yes);
    press(Cmd::kDelete);
    EXPECT_EQ(contents(), (std::vector<std::string>{"one edited", "three edited"}));
    EXPECT_EQ(row_titles(w), (std::vector<std::string>{"one", "three"}));
}

TEST_F(DiaryToolbarTest, DeletingAMiddlePageShowsTheLastPage) {
    press(Cmd::kPrevious);
    prompts.then_button(Button::No);
    press(Cmd::kDelete);
    EXPECT_EQ(contents().size(), 3u);
    EXPECT_EQ(editor_text(w), "two");
    prompts.then_button(Button::Yes);
    press(Cmd::kDelete);
    EXPECT_EQ(prompts.messages(),
              (std::vector<std::string>{"确认是否删除当前页", "确认是否删除当前页"}));
    EXPECT_FALSE(prompts.asked()[0].title.has_value());
    EXPECT_EQ(contents(), (std::vector<std::string>{"one", "three"}));
    EXPECT_EQ(editor_text(w), "three");
    EXPECT_EQ(session().page_number(), 2);
    EXPECT_EQ(status(w, 3), "2");
    EXPECT_EQ(status(w, 5), "2");
}

TEST_F(DiaryToolbarTest, DeletingTheOnlyPageDisablesTheEditorUntilNew) {
    for (int i = 0; i < 3; ++i) {
        prompts.then_button(Button::Yes);
        press(Cmd::kDelete);
    }
    EXPECT_TRUE(contents().empty());
    EXPECT_FALSE(w->editor()->isEnabled());
    EXPECT_FALSE(w->toolbar_button(Cmd::kDelete)->isEnabled());
    EXPECT_EQ(status(w, 3), "0");
    EXPECT_EQ(status(w, 5), "0");
    EXPECT_EQ(session().page_number(), 0);
    EXPECT_EQ(row_count(w), 0);
    press(Cmd::kSave);  // no page: nothing to save
    EXPECT_TRUE(contents().empty());

    press(Cmd::kNew);
    EXPECT_TRUE(w->editor()->isEnabled());
    EXPECT_TRUE(w->toolbar_button(Cmd::kDelete)->isEnabled());
    EXPECT_EQ(contents().size(), 1u);
    EXPECT_EQ(status(w, 5), "1");
    type_text(w, "first again");
    press(Cmd::kSave);
    EXPECT_EQ(contents(), std::vector<std::string>{"first again"});
}

TEST_F(DiaryToolbarTest, ImportMakesAPageWhenTheBookHasNone) {
    for (int i = 0; i < 3; ++i) {
        prompts.then_button(Button::Yes);
        press(Cmd::kDelete);
    }
    // The import window opens modally; cancelled, it imports nothing.
    QTimer::singleShot(0, [] {
        if (auto* import = dezu::ui::loaded_window(dezu::ui::windows::kDiaryImport))
            import->control<QAbstractButton>("超级按钮2")->click();
    });
    press(Cmd::kImport);
    EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kImportProgress));
    EXPECT_EQ(contents().size(), 1u);
    EXPECT_TRUE(w->editor()->isEnabled());
}

TEST_F(DiaryToolbarTest, ExportWritesTheTextAsGb18030UnderATxtName) {
    type_text(w, "第一行\r\n\nline three");
    write_file("old.TXT", "previous content that is longer");
    struct Case {
        const char* chosen;
        const char* written;
    };
    for (const Case& c : {Case{"plain", "plain.TXT"}, Case{"lower.txt", "lower.txt"},
                          Case{"upper.TXT", "upper.TXT"}, Case{"mixed.TxT", "mixed.TxT"},
                          Case{"report.doc", "report.doc.TXT"}, Case{"old.TXT", "old.TXT"}}) {
        SCOPED_TRACE(c.chosen);
        prompts.then_text(path(c.chosen));
        press(Cmd::kExport);
        EXPECT_EQ(read_file(c.written), dezu::text::to_gbk("第一行\n\nline three"));
    }
    EXPECT_FALSE(dezu::files::file_exists(path("lower.txt.TXT")));
    ASSERT_FALSE(prompts.asked().empty());
    EXPECT_EQ(prompts.asked()[0].kind, dezu::ui::Prompt::Kind::SaveFile);
    EXPECT_EQ(prompts.asked()[0].filters.at(0).patterns, std::vector<std::string>{"*.TXT"});

    prompts.then_cancel();
    press(Cmd::kExport);  // cancelled: nothing
    EXPECT_TRUE(prompts.messages().empty());

    // Where nothing can be written (for root too), the user is told what was
    // not written, as a failure.
    for (const std::string& folder : {path("no/such/folder"), path("upper.TXT")}) {
        SCOPED_TRACE(folder);
        prompts.then_text(folder + "/x");
        press(Cmd::kExport);
        ASSERT_FALSE(prompts.messages().empty());
        EXPECT_EQ(prompts.messages().back(), "这一页没有导出：“" + folder + "/x.TXT”无法写入。");
        EXPECT_EQ(prompts.asked().back().style, dezu::ui::MessageStyle::Stop);
    }
    EXPECT_EQ(prompts.messages().size(), 2u);
}

TEST_F(DiaryToolbarTest, PrintSkipsEmptyLinesAndKeepsBlankOnes) {
    const std::string pdf = path("out.pdf");
    services.printer.output = pdf;
    type_text(w, "First line\n\nThird line");
    press(Cmd::kPrint);
    ASSERT_TRUE(dezu::files::file_exists(pdf));
    const std::string text_file = path("out.txt");
    ASSERT_EQ(std::system(("pdftotext -layout '" + pdf + "' '" + text_file + "'").c_str()), 0);
    std::vector<std::string> lines;
    for (const auto& line : dezu::files::read_lines(text_file)) {
        const auto trimmed = std::string(dezu::text::trim(line));
        if (!trimmed.empty() && trimmed != "\f") lines.push_back(trimmed);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"First line", "Third line"}));
    // Printing changes no page.
    EXPECT_EQ(contents()[2], "three");

    // An empty page prints nothing at all.
    std::filesystem::remove(pdf);
    type_text(w, "");
    press(Cmd::kPrint);
    EXPECT_FALSE(dezu::files::file_exists(pdf));
}

// A word of pdftotext's -bbox output and the size of the page it is on, in points.
struct PdfWord {
    std::string text;
    double left, top, right, bottom, page_width, page_height;
    int page;  // from 0
};

double attribute(const std::string& line, const std::string& name) {
    const auto at = line.find(name + "=\"");
    return at == std::string::npos ? -1.0 : std::stod(line.substr(at + name.size() + 2));
}

std::vector<PdfWord> pdf_words(const std::string& pdf, const std::string& html) {
    std::vector<PdfWord> words;
    if (std::system(("pdftotext -bbox '" + pdf + "' '" + html + "'").c_str()) != 0) return words;
    double width = 0, height = 0;
    int page = -1;
    for (const std::string& line : dezu::files::read_lines(html)) {
        if (line.find("<page ") != std::string::npos) {
            ++page;
            width = attribute(line, "width");
            height = attribute(line, "height");
        }
        const auto open = line.find("<word ");
        if (open == std::string::npos) continue;
        const auto text_start = line.find('>', open) + 1;
        const auto text_end = line.find("</word>", text_start);
        words.push_back({line.substr(text_start, text_end - text_start), attribute(line, "xMin"),
                         attribute(line, "yMin"), attribute(line, "xMax"), attribute(line, "yMax"),
                         width, height, page});
    }
    return words;
}

// Qt's PDF names some glyphs by another code point of the same shape (气 as
// the radical ⽓), which compatibility normalisation folds back.
std::string folded(const std::string& text) {
    QString out = QString::fromStdString(text).normalized(QString::NormalizationForm_KC);
    out.remove(QLatin1Char(' '));
    return out.toStdString();
}

TEST_F(DiaryToolbarTest, PrintWrapsLongParagraphsToThePageAndKeepsEveryWord) {
    // Paragraphs as the editor keeps them, one line each, far wider than paper.
    std::string latin;
    std::vector<std::string> latin_words;
    const char* const stems[] = {"river", "mountain", "quietly", "lantern", "harvest"};
    // Letters only: the PDF's text does not name the Latin-context digit glyphs.
    const auto letters = [](int n) {
        std::string s;
        for (; n > 0; n /= 20) s += "abcdeghjkmnopqrstuvw"[n % 20];
        return s;
    };
    for (int i = 0; i < 600; ++i) {
        latin_words.push_back(stems[i % 5] + letters(i + 1));
        latin += (i ? " " : "") + latin_words.back();
    }
    std::string chinese;
    for (int i = 1; i <= 40; ++i)
        chinese += "第" + std::to_string(i) + "句今天的天气很好，我们一起去公园散步。";
    const std::string unbroken = "https://example.org/" + std::string(300, 'q') + "/end";
    const std::string pdf = path("long.pdf");
    services.printer.output = pdf;
    type_text(w, latin + "\n\n" + chinese + "\n" + unbroken + "\nlast line");
    press(Cmd::kPrint);

    const auto words = pdf_words(pdf, path("long.html"));
    ASSERT_FALSE(words.empty());
    std::set<std::string> printed;
    std::string all;
    for (const PdfWord& word : words) {
        printed.insert(word.text);
        all += folded(word.text);
    }
    for (const std::string& word : latin_words) EXPECT_TRUE(printed.count(word)) << word;
    EXPECT_NE(all.find(folded(chinese)), std::string::npos);
    EXPECT_NE(all.find(unbroken), std::string::npos);
    EXPECT_NE(all.find("lastline"), std::string::npos);
    EXPECT_GT(words.back().page_height, 0);
    EXPECT_GE(words.back().page, 1);  // it goes on over a second sheet

    // Nothing lies beyond the paper, and Chinese prints at the size of Latin.
    const double height = words.front().bottom - words.front().top;
    for (const PdfWord& word : words) {
        SCOPED_TRACE(word.text);
        EXPECT_GE(word.left, 0);
        EXPECT_GE(word.top, 0);
        EXPECT_LE(word.right, word.page_width);
        EXPECT_LE(word.bottom, word.page_height);
        EXPECT_NEAR(word.bottom - word.top, height, 0.5);
    }
}

TEST_F(DiaryToolbarTest, LockAndUnlockKeepThePagesAndTheUnlockButtonInStep) {
    ASSERT_FALSE(w->toolbar_button(Cmd::kUnlock)->isEnabled());
    prompts.then_cancel().then_text("");
    press(Cmd::kLock);
    press(Cmd::kLock);
    EXPECT_FALSE(dezu::store::Table::has_password(book_path("b")));

    prompts.then_text("secret");
    press(Cmd::kLock);
    const auto& asked = prompts.asked().back();
    EXPECT_EQ(asked.text, "请输入一个新密码,并保存好密码");
    EXPECT_EQ(asked.title, std::optional<std::string>("设置日记密码"));
    EXPECT_EQ(asked.input_mode, dezu::ui::InputMode::Masked);
    EXPECT_TRUE(w->toolbar_button(Cmd::kUnlock)->isEnabled());
    EXPECT_TRUE(dezu::store::Table::has_password(book_path("b")));
    const std::string bytes = read_file("sj/b.SJK");
    for (const char* page : {"one", "two", "three"}) EXPECT_EQ(bytes.find(page), std::string::npos);
    // The editor goes on on the same page.
    type_text(w, "written after locking");
    press(Cmd::kSave);

    // Replaced without asking for the old one.
    prompts.then_text("other");
    const std::size_t asked_before = prompts.asked().size();
    press(Cmd::kLock);
    EXPECT_EQ(prompts.asked().size(), asked_before + 1);
    EXPECT_EQ(stored_pages("b", "other")[2].content, "written after locking");

    press(Cmd::kUnlock);
    EXPECT_EQ(prompts.asked().size(), asked_before + 1);
    EXPECT_FALSE(dezu::store::Table::has_password(book_path("b")));
    EXPECT_FALSE(w->toolbar_button(Cmd::kUnlock)->isEnabled());
    EXPECT_EQ(contents(), (std::vector<std::string>{"one", "two", "written after locking"}));
}

TEST_F(DiaryToolbarTest, ALockedBookAsksForItsPasswordWhenOpened) {
    prompts.then_text("secret");
    press(Cmd::kLock);
    press(Cmd::kClose);

    // Wrong: the store's message, no editor, the book window stays.
    dezu::ui::load_window(dezu::ui::windows::kDiaryBook);
    prompts.then_text("guess");
    EXPECT_EQ(open_editor("b"), nullptr);
    EXPECT_EQ(prompts.messages().back(), "密码错误");
    EXPECT_TRUE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryBook));

    prompts.then_text("secret");
    w = open_editor("b");
    ASSERT_TRUE(w);
    EXPECT_EQ(prompts.asked().back().input_mode, dezu::ui::InputMode::Masked);
    EXPECT_EQ(editor_text(w), "three");
    EXPECT_TRUE(w->toolbar_button(Cmd::kUnlock)->isEnabled());
}

TEST_F(DiaryToolbarTest, ScrollStartsAtTheEnteredIntervalAndStopsAtOnce) {
    type_text(w, "");
    press(Cmd::kScroll);  // empty page: not even asked
    EXPECT_TRUE(prompts.asked().empty());

    type_text(w, "some text");
    for (const char* entry : {"0", "-5"}) {
        prompts.then_text(entry);
        press(Cmd::kScroll);
        EXPECT_EQ(w->scroll_timer()->interval(), 0) << entry;
    }
    prompts.then_cancel();
    press(Cmd::kScroll);
    EXPECT_EQ(w->scroll_timer()->interval(), 0);

    prompts.then_text("250");
    press(Cmd::kScroll);
    EXPECT_EQ(prompts.asked().back().text, "请输入滚屏速度，单位：毫秒");
    EXPECT_FALSE(prompts.asked().back().title.has_value());
    EXPECT_EQ(prompts.asked().back().input_mode, dezu::ui::InputMode::WholeNumber);
    EXPECT_EQ(w->scroll_timer()->interval(), 250);
    const std::size_t asked = prompts.asked().size();
    press(Cmd::kScroll);
    EXPECT_EQ(w->scroll_timer()->interval(), 0);
    EXPECT_EQ(prompts.asked().size(), asked);
}

TEST_F(DiaryToolbarTest, FontAndTextColourComeFromTheFontDialog) {
    const auto text_colour = [this] { return w->editor()->palette().color(QPalette::Text); };
    QFont chosen(QStringLiteral("Noto Sans CJK SC"));
    chosen.setPointSize(30);
    prompts.then_font(chosen, QColor(Qt::red));
    press(Cmd::kFont);
    EXPECT_EQ(w->editor()->font().pointSize(), 30);
    EXPECT_EQ(text_colour(), QColor(Qt::red));
    ASSERT_EQ(prompts.asked().back().kind, dezu::ui::Prompt::Kind::Font);
    EXPECT_EQ(prompts.asked().back().color, QColor(Qt::black));

    // Cancelled: font and colour stay; the dialog opens with its last choice.
    prompts.then_cancel();
    press(Cmd::kFont);
    EXPECT_EQ(w->editor()->font().pointSize(), 30);
    EXPECT_EQ(text_colour(), QColor(Qt::red));
    EXPECT_EQ(prompts.asked().back().color, QColor(Qt::red));

    prompts.then_font(chosen, QColor(Qt::blue));
    press(Cmd::kFont);
    EXPECT_EQ(text_colour(), QColor(Qt::blue));
    EXPECT_EQ(editor_text(w), "three");
}

TEST_F(DiaryToolbarTest, CloseAndReturnSaveAPageWithTextAndCloseTheBook) {
    type_text(w, "kept at close");
    press(Cmd::kClose);
    process_events();
    EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryEditor));
    EXPECT_FALSE(session().has_book());
    EXPECT_EQ(session().current_book(), "");
    EXPECT_EQ(contents()[2], "kept at close");

    // 关闭 with an empty page closes the book too, saving nothing.
    w = open_editor("b");
    type_text(w, "");
    press(Cmd::kClose);
    EXPECT_FALSE(session().has_book());
    EXPECT_EQ(contents()[2], "kept at close");

    w = open_editor("b");
    type_text(w, "kept at return");
    press(Cmd::kReturn);
    process_events();
    EXPECT_FALSE(dezu::ui::is_window_loaded(dezu::ui::windows::kDiaryEditor));
    EXPECT_FALSE(session().has_book());
    EXPECT_EQ(contents()[2], "kept at return");
    DiaryBookWindow* books = book_window();
    ASSERT_TRUE(books);
    EXPECT_EQ(books->book_list()->currentText().toStdString(), "b");
}

}  // namespace

// Writes that do not hold: the disk is full (no file may grow).
class DiaryFailureTest : public DiaryToolbarTest {
protected:
    std::uintmax_t book_size() const { return std::filesystem::file_size(book_path("b")); }
    static std::string big_text() { return std::string(300000, 'x'); }
};

TEST_F(DiaryFailureTest, APageThatCannotBeStoredIsToldAndStaysInTheEditor) {
    const std::string text = "Big page\n" + big_text();
    type_text(w, text);
    {
        const FileSizeLimit full_disk(book_size());
        press(Cmd::kSave);
        press(Cmd::kPrevious);
        press(Cmd::kNew);
        click_row(w, 0);
        w->on_page_list_double_click();
    }
    const auto told = prompts.messages();
    ASSERT_EQ(told.size(), 4u);
    for (const std::string& message : told)
        EXPECT_TRUE(message.starts_with("这一页没有保存，它的文字还在编辑框中")) << message;
    EXPECT_EQ(prompts.asked()[0].style, dezu::ui::MessageStyle::Stop);
    // Nothing claims a save: the row, the page shown and the store are as before.
    EXPECT_EQ(row_titles(w)[2], "three");
    EXPECT_EQ(editor_text(w), text);
    EXPECT_EQ(status(w, 5), "3");
    EXPECT_EQ(session().shown_record(), 3);
    EXPECT_EQ(contents(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(stored_pages("b")[2].title, "three");

    // With room again the same page is kept whole.
    click_row(w, 2);
    press(Cmd::kSave);
    EXPECT_EQ(contents()[2], text);
    EXPECT_EQ(row_titles(w)[2], "Big page");
    EXPECT_EQ(prompts.messages().size(), 4u);
}

TEST_F(DiaryFailureTest, ClosingWithAPageThatCannotBeStoredIsTold) {
    type_text(w, big_text());
    {
        const FileSizeLimit full_disk(book_size());
        press(Cmd::kClose);
    }
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_TRUE(prompts.messages()[0].starts_with("这一页没有保存"));
    EXPECT_EQ(contents()[2], "three");
}

TEST_F(DiaryFailureTest, APasswordThatCannotBeSetIsToldAndTheBookStaysAsItWas) {
    const std::string before = read_file("sj/b.SJK");
    {
        const FileSizeLimit full_disk(1024);
        prompts.then_text("secret");
        press(Cmd::kLock);
    }
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_TRUE(prompts.messages()[0].starts_with("日记本的密码没有更改")) << prompts.messages()[0];
    EXPECT_FALSE(dezu::store::Table::has_password(book_path("b")));
    EXPECT_FALSE(w->toolbar_button(Cmd::kUnlock)->isEnabled());
    EXPECT_EQ(read_file("sj/b.SJK"), before);
    // The editor goes on with the book.
    type_text(w, "after");
    press(Cmd::kSave);
    EXPECT_EQ(contents()[2], "after");
}

TEST_F(DiaryFailureTest, APageThatCannotBeAddedOrDeletedIsTold) {
    // Nothing to save first: only the append and the delete write.
    type_text(w, "");
    {
        const FileSizeLimit full_disk(0);
        press(Cmd::kNew);
        prompts.then_button(Button::Yes);
        press(Cmd::kDelete);
    }
    const auto told = prompts.messages();
    ASSERT_EQ(told.size(), 3u) << told.back();
    EXPECT_TRUE(told[0].starts_with("新的一页没有建立")) << told[0];
    EXPECT_EQ(told[1], "确认是否删除当前页");
    EXPECT_TRUE(told[2].starts_with("这一页没有删除")) << told[2];
    EXPECT_EQ(contents(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(row_titles(w), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(session().shown_record(), 3);
    EXPECT_EQ(status(w, 3), "3");
}
