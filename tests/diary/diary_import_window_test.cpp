#include "diary/diary_import_window.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "diary_fixture.h"

namespace ui = dezu::ui;
using dezu::diary::expand_address_pattern;
using dezu::diary::kMaxPatternAddresses;

namespace {

class DiaryImportWindowTest : public DiaryTest {
protected:
    void SetUp() override {
        DiaryTest::SetUp();
        w = ui::load_window(ui::windows::kDiaryImport);
        ASSERT_TRUE(w);
    }
    template <class T = QWidget>
    T* c(const char* name) {
        T* found = w->control<T>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    void set(const char* name, const char* text) {
        if (auto* edit = w->control<QLineEdit>(name)) return edit->setText(QString::fromUtf8(text));
        c<QAbstractSpinBox>(name)->findChild<QLineEdit*>()->setText(QString::fromUtf8(text));
    }
    std::string text(const char* name) {
        if (auto* edit = w->control<QLineEdit>(name)) return edit->text().toStdString();
        return c<QAbstractSpinBox>(name)->text().toStdString();
    }
    void click(const char* name) { c<QAbstractButton>(name)->click(); }
    bool open() const { return ui::is_window_loaded(ui::windows::kDiaryImport); }

    ui::Form* w = nullptr;
};

TEST_F(DiaryImportWindowTest, OpensWithItsControlsInPlace) {
    EXPECT_EQ(w->windowTitle().toStdString(), "批量导入");
    EXPECT_EQ(w->size(), QSize(431, 379));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_TRUE(c<QRadioButton>("单选框1")->isChecked());
    EXPECT_FALSE(c<QRadioButton>("单选框2")->isChecked());
    EXPECT_TRUE(c("编辑框1")->isEnabled());
    EXPECT_TRUE(c("按钮4")->isEnabled());
    EXPECT_TRUE(c("编辑框5")->isEnabled());
    EXPECT_FALSE(c("按钮1")->isEnabled());
    EXPECT_TRUE(c<QCheckBox>("选择框1")->isChecked());
    EXPECT_EQ(text("编辑框2"), "1");
    EXPECT_EQ(text("编辑框3"), "018");
    EXPECT_EQ(text("编辑框4"), "3");
    EXPECT_EQ(c<QLabel>("标签9")->text().toStdString(), "过滤网页中的页面控制代码");
    EXPECT_TRUE(c<QLabel>("标签1")->text().contains(QStringLiteral("file(*).htm)")));
    EXPECT_EQ(c("超级按钮1")->geometry(), QRect(88, 280, 56, 32));
    EXPECT_EQ(c("编辑框4")->geometry(), QRect(328, 92, 55, 18));
    // The number boxes take digits only.
    c<QLineEdit>("编辑框2")->clear();
    QTest::keyClicks(c<QLineEdit>("编辑框2"), QStringLiteral("4a-2"));
    EXPECT_EQ(text("编辑框2"), "42");
    c<QAbstractSpinBox>("编辑框4")->findChild<QLineEdit*>()->clear();
    QTest::keyClicks(c<QAbstractSpinBox>("编辑框4"), QStringLiteral("1x5"));
    EXPECT_EQ(text("编辑框4"), "15");
}

TEST_F(DiaryImportWindowTest, RadioButtonsSwitchTheEnabledBoxes) {
    click("单选框2");
    EXPECT_FALSE(c<QRadioButton>("单选框1")->isChecked());
    EXPECT_FALSE(session().import_from_web());
    EXPECT_FALSE(c("编辑框1")->isEnabled());
    EXPECT_FALSE(c("按钮4")->isEnabled());
    EXPECT_TRUE(c("编辑框5")->isEnabled());
    EXPECT_TRUE(c("按钮1")->isEnabled());
    click("单选框1");
    EXPECT_TRUE(session().import_from_web());
    EXPECT_TRUE(c("编辑框1")->isEnabled());
    EXPECT_TRUE(c("按钮4")->isEnabled());
    EXPECT_FALSE(c("编辑框5")->isEnabled());
    EXPECT_FALSE(c("按钮1")->isEnabled());
}

TEST_F(DiaryImportWindowTest, WildcardLengthStepsButNeverBelowOne) {
    auto* box = c<QAbstractSpinBox>("编辑框4");
    box->stepBy(1);
    EXPECT_EQ(text("编辑框4"), "4");
    set("编辑框4", "2");
    box->stepBy(-1);
    EXPECT_EQ(text("编辑框4"), "1");
    box->stepBy(-1);
    EXPECT_EQ(text("编辑框4"), "1");
    set("编辑框4", "");
    box->stepBy(1);
    EXPECT_EQ(text("编辑框4"), "1");
}

TEST(ExpandAddressPattern, NumbersArePaddedToTheWildcardLength) {
    struct Case {
        const char* pattern;
        const char* from;
        const char* to;
        const char* width;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"h/file(*).htm",
         "8",
         "12",
         "1",
         {"h/8.htm", "h/9.htm", "h/10.htm", "h/11.htm", "h/12.htm"}},
        {"h/file(*).htm", "007", "9", "2", {"h/07.htm", "h/08.htm", "h/09.htm"}},
        {"file(*)/file(*).htm", "5", "5", "3", {"005/005.htm"}},
        {"a/file(*)", "3", "2", "3", {}},
        {"a/file(*)", "", "", "", {"a/0"}},
        {"a/file(*)", "9", "10", "0", {"a/9", "a/10"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " " + c.from + ".." + c.to + " w" + c.width);
        EXPECT_EQ(expand_address_pattern(c.pattern, c.from, c.to, c.width), c.expected);
    }
    const auto many = expand_address_pattern("file(*)", "1", "018", "3");
    ASSERT_EQ(many.size(), 18u);
    EXPECT_EQ(many.front(), "001");
    EXPECT_EQ(many.back(), "018");
    EXPECT_EQ(expand_address_pattern("file(*)", "1", "2000000000", "1").size(),
              static_cast<std::size_t>(kMaxPatternAddresses));
}

TEST_F(DiaryImportWindowTest, OkBuildsAWebListAndCloses) {
    session().set_import_sources({"old"});
    set("编辑框1", "http://h/p/file(*).htm");
    set("编辑框2", "1");
    set("编辑框3", "3");
    c<QCheckBox>("选择框1")->setChecked(false);
    session().set_strip_html_on_import(true);
    click("超级按钮1");
    EXPECT_FALSE(open());
    EXPECT_TRUE(session().import_from_web());
    EXPECT_FALSE(session().strip_html_on_import());
    EXPECT_EQ(session().import_sources(),
              (std::vector<std::string>{"http://h/p/001.htm", "http://h/p/002.htm",
                                        "http://h/p/003.htm"}));
}

TEST_F(DiaryImportWindowTest, AnAddressWithoutTheExactTokenIsTakenWhole) {
    for (const char* address : {"http://h/FILE(*).htm", "http://h/one.htm"}) {
        SCOPED_TRACE(address);
        w = ui::load_window(ui::windows::kDiaryImport);
        set("编辑框1", address);
        click("超级按钮1");
        EXPECT_FALSE(open());
        EXPECT_EQ(session().import_sources(), std::vector<std::string>{address});
    }
}

TEST_F(DiaryImportWindowTest, ToBelowFromClosesWithAnEmptyList) {
    session().set_import_sources({"old"});
    set("编辑框1", "http://h/file(*)");
    set("编辑框2", "5");
    set("编辑框3", "4");
    click("超级按钮1");
    EXPECT_FALSE(open());
    EXPECT_TRUE(session().import_sources().empty());
}

TEST_F(DiaryImportWindowTest, FileListFromTheFileBoxUnexpanded) {
    // The web button is still selected, but with no address the files count.
    set("编辑框5", "/a/one.txt;;/b/file(*).htm;");
    session().set_import_from_web(true);
    click("超级按钮1");
    EXPECT_FALSE(open());
    EXPECT_FALSE(session().import_from_web());
    EXPECT_EQ(session().import_sources(),
              (std::vector<std::string>{"/a/one.txt", "/b/file(*).htm"}));
}

TEST_F(DiaryImportWindowTest, OkWithNothingChosenKeepsTheWindowOpen) {
    session().set_import_sources({"old"});
    click("超级按钮1");
    EXPECT_TRUE(open());
    EXPECT_TRUE(prompts.messages().empty());
    set("编辑框5", ";");
    click("超级按钮1");
    EXPECT_TRUE(open());
}

TEST_F(DiaryImportWindowTest, CancelAndTheTitleBarEmptyTheList) {
    session().set_import_sources({"old"});
    session().set_strip_html_on_import(false);
    click("超级按钮2");
    EXPECT_FALSE(open());
    EXPECT_TRUE(session().import_sources().empty());
    EXPECT_TRUE(session().strip_html_on_import());

    // A close from the title bar must not run the previous import again.
    session().set_import_sources({"old"});
    session().set_import_from_web(true);
    w = ui::load_window(ui::windows::kDiaryImport);
    c<QCheckBox>("选择框1")->setChecked(false);
    w->close();
    EXPECT_FALSE(open());
    EXPECT_TRUE(session().import_sources().empty());
    EXPECT_TRUE(session().import_from_web());
    EXPECT_FALSE(session().strip_html_on_import());
}

TEST_F(DiaryImportWindowTest, BrowseFillsTheFileBoxAndCancelEmptiesIt) {
    click("单选框2");
    prompts.then_files({"/x/a.txt", "/y/b.htm"});
    click("按钮1");
    EXPECT_EQ(text("编辑框5"), "/x/a.txt;/y/b.htm");
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].title.value_or(""), "请选择要导入的文件");
    EXPECT_TRUE(prompts.asked()[0].multiple);
    ASSERT_EQ(prompts.asked()[0].filters.size(), 1u);
    prompts.then_cancel();
    click("按钮1");
    EXPECT_EQ(text("编辑框5"), "");
}

}  // namespace

namespace {

// A file name may hold the ";" that joins the chosen files in the box.
TEST_F(DiaryImportWindowTest, ChosenFilesComeWholeWhateverTheirNamesHold) {
    write_file("semi;colon.txt", "a");
    write_file("b.txt", "b");
    click("单选框2");
    prompts.then_files({path("semi;colon.txt"), path("b.txt")});
    click("按钮1");
    EXPECT_EQ(text("编辑框5"), path("semi;colon.txt") + ";" + path("b.txt"));
    click("超级按钮1");
    EXPECT_FALSE(open());
    EXPECT_EQ(session().import_sources(),
              (std::vector<std::string>{path("semi;colon.txt"), path("b.txt")}));
}

// Typed, a run of parts that names an existing file is that file.
TEST_F(DiaryImportWindowTest, TypedPathsWithASemicolonThatNameAFileAreTakenWhole) {
    write_file("semi;colon.txt", "a");
    write_file("b.txt", "b");
    write_file("a;b;c.txt", "c");
    const std::string semi = path("semi;colon.txt"), b = path("b.txt"), abc = path("a;b;c.txt");
    struct Case {
        std::string typed;
        std::vector<std::string> sources;
    };
    const std::vector<Case> cases = {
        {semi, {semi}},
        {semi + ";" + b, {semi, b}},
        {b + ";" + semi + ";", {b, semi}},
        {abc, {abc}},
        {path("missing;x.txt"), {path("missing"), "x.txt"}},
        {";;" + b, {b}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        w = ui::load_window(ui::windows::kDiaryImport);
        click("单选框2");
        set("编辑框5", c.typed.c_str());
        click("超级按钮1");
        EXPECT_FALSE(open());
        EXPECT_EQ(session().import_sources(), c.sources);
    }
    // Chosen, then edited: the box's text counts.
    w = ui::load_window(ui::windows::kDiaryImport);
    click("单选框2");
    prompts.then_files({semi});
    click("按钮1");
    set("编辑框5", b.c_str());
    click("超级按钮1");
    EXPECT_EQ(session().import_sources(), std::vector<std::string>{b});
}

TEST_F(DiaryImportWindowTest, BrowseForAnAddressOpensABlankPageAndChangesNothing) {
    set("编辑框1", "http://example.com/");
    click("按钮4");
    EXPECT_EQ(services.shell.calls, std::vector<std::string>{"open_document about:blank"});
    EXPECT_EQ(text("编辑框1"), "http://example.com/");
    EXPECT_TRUE(open());
}

}  // namespace
