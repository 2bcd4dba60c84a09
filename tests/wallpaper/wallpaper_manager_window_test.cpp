#include "wallpaper/wallpaper_manager_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "app/launcher_window.h"
#include "platform/ui/controls.h"
#include "support/scripted_prompts.h"
#include "wallpaper/wallpaper_list.h"
#include "wallpaper_test_support.h"

namespace ui = dezu::ui;
using dezu::settings::write_setting;

class WallpaperManagerTest : public WallpaperTest {
protected:
    // Starts the program with these list entries and opens the manager.
    void open_with(const std::vector<std::string>& entries) {
        dezu::wallpaper::write_wallpaper_list(path("WALLAB.INI"), entries);
        start();
        open();
    }
    void open() { ASSERT_NE(ui::load_window(ui::windows::kWallpaperManager), nullptr); }
    void close() { ui::destroy_window(ui::windows::kWallpaperManager); }

    ui::Form* window() const { return ui::loaded_window(ui::windows::kWallpaperManager); }
    template <class T>
    T* get(const char* name) const {
        T* c = window()->control<T>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QListWidget* rows() const { return get<QListWidget>("列表框1"); }
    std::vector<std::string> row_texts() const {
        std::vector<std::string> texts;
        for (int k = 0; k < rows()->count(); ++k)
            texts.push_back(rows()->item(k)->text().toStdString());
        return texts;
    }
    std::vector<int> selected_rows() const {
        std::vector<int> selected;
        for (int k = 0; k < rows()->count(); ++k)
            if (rows()->item(k)->isSelected()) selected.push_back(k);
        return selected;
    }
    void click(const char* name) const { QTest::mouseClick(get<QWidget>(name), Qt::LeftButton); }
    void double_click_row(int k) const {
        QListWidget* list = rows();
        const QPoint at = list->visualItemRect(list->item(k)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    std::vector<std::string> pictures(int count) const {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i)
            paths.push_back(picture("p" + std::to_string(i) + ".bmp", 10 + i, 20 + i, "BMP"));
        return paths;
    }
};

TEST_F(WallpaperManagerTest, OpeningShowsOnlyExistingFilesAndClosingKeepsThem) {
    const std::vector<std::string> p = pictures(3);
    std::filesystem::remove(p[1]);
    open_with(p);
    EXPECT_EQ(window()->windowTitle(), QStringLiteral("壁纸管理"));
    EXPECT_EQ(row_texts(), (std::vector<std::string>{p[0], p[2]}));
    close();
    EXPECT_EQ(read_file("WALLAB.INI"), p[0] + "\r\n" + p[2] + "\r\n");
    EXPECT_EQ(g_wallpaper_list, (std::vector<std::string>{p[0], p[2]}));
}

TEST_F(WallpaperManagerTest, OpeningShowsTheRunningTimer) {
    const struct Case {
        std::int32_t interval;
        bool checked;
        const char* box;
        const char* saved_on;   // 自动更换 after closing untouched
        const char* saved_for;  // 间隔时间
    } cases[] = {
        {300000, true, "5", "Y", "5"},
        {90000, true, "1.5", "Y", "1.5"},
        {0, false, "5", "N", ""},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        write_setting(clock_ini(), "更换壁纸", "显示方式", "1");
        timer()->set_interval(c.interval);
        open();
        EXPECT_EQ(get<QCheckBox>("选择框4")->isChecked(), c.checked);
        EXPECT_EQ(get<QLineEdit>("编辑框2")->text().toStdString(), c.box);
        EXPECT_TRUE(get<QLineEdit>("编辑框2")->isEnabled());
        close();
        EXPECT_EQ(timer()->interval(), c.interval);
        EXPECT_EQ(setting("自动更换"), c.saved_on);
        EXPECT_EQ(setting("间隔时间"), c.saved_for);
        EXPECT_EQ(setting("显示方式"), "2");  // the form's 拉伸, whatever was saved
        EXPECT_EQ(read_file("WALLAB.INI"), "");
        process_events();
    }
}

TEST(WallpaperMinutes, IntervalShownGivesTheSameIntervalBack) {
    for (std::int32_t ms : {300000, 90000, 100000, 1, 2, 59999, 60001, 123456789, 2147480000}) {
        const std::string minutes = minutes_from_interval(ms);
        EXPECT_EQ(dezu::wallpaper::interval_from_minutes(minutes), ms) << minutes;
    }
}

TEST_F(WallpaperManagerTest, OpeningSelectsAndPreviewsTheCurrentEntry) {
    const std::vector<std::string> p = pictures(5);
    const struct Case {
        int index;
        std::vector<int> selected;
        const char* width;
        const char* height;
    } cases[] = {
        {3, {2}, "宽:12", "高:22"},
        {0, {}, "宽:0", "高:0"},
        {6, {}, "宽:0", "高:0"},
        {-1, {}, "宽:0", "高:0"},
    };
    dezu::wallpaper::write_wallpaper_list(path("WALLAB.INI"), p);
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        g_current_wallpaper_index = c.index;
        open();
        EXPECT_EQ(selected_rows(), c.selected);
        EXPECT_EQ(get<QLabel>("标签5")->text().toStdString(), c.width);
        EXPECT_EQ(get<QLabel>("标签6")->text().toStdString(), c.height);
        EXPECT_EQ(get<ui::PictureBox>("图片框1")->toolTip(), QStringLiteral("双击鼠标清除壁纸"));
        close();
        process_events();
    }
}

TEST_F(WallpaperManagerTest, PreviewFollowsTheCurrentRowAndSurvivesDamagedPictures) {
    const std::string big = picture("big.jpg", 1024, 768, "JPG");
    write_file("damaged.jpg", std::string("\xff\xd8\xff\xe0", 4) + std::string(500, 'x'));
    open_with({big, path("damaged.jpg")});
    rows()->setCurrentRow(0);
    EXPECT_EQ(get<QLabel>("标签5")->text(), QStringLiteral("宽:1024"));
    EXPECT_EQ(get<QLabel>("标签6")->text(), QStringLiteral("高:768"));
    const QSize shown = get<ui::PictureBox>("图片框1")->pixmap().size();
    EXPECT_LE(shown.width(), 166);
    EXPECT_LE(shown.height(), 112);
    rows()->setCurrentRow(1);
    EXPECT_EQ(get<QLabel>("标签5")->text(), QStringLiteral("宽:0"));
    EXPECT_EQ(get<QLabel>("标签6")->text(), QStringLiteral("高:0"));
    // Putting the damaged one on the desktop hands over its own path.
    double_click_row(1);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, path("damaged.jpg"));
}

TEST_F(WallpaperManagerTest, DoubleClickPutsTheRowOnTheDesktopWithTheChosenStyle) {
    const std::vector<std::string> p = pictures(4);
    const std::string jpg = picture("last.jpg", 30, 40, "JPG");
    open_with({p[0], p[1], p[2], p[3], jpg});
    double_click_row(2);
    EXPECT_EQ(g_current_wallpaper_index, 3);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], (Change{p[2], 2}));
    // The manager's choice is not saved, and the timed change keeps its style.
    EXPECT_EQ(setting("当前壁纸"), "<missing>");
    tick();
    EXPECT_EQ(changes.back(), (Change{p[3], 5}));

    click("单选框3");  // 居中
    double_click_row(4);
    EXPECT_EQ(g_current_wallpaper_index, 5);
    EXPECT_EQ(changes.back(), (Change{path("WALLPAPER.BMP"), 0}));
    click("单选框1");  // 平铺
    double_click_row(0);
    EXPECT_EQ(changes.back(), (Change{p[0], 1}));
    EXPECT_EQ(g_wallpaper_display_mode, 5);
}

TEST_F(WallpaperManagerTest, TimedChangeBoxAndIntervalDriveTheTimer) {
    write_setting(clock_ini(), "更换壁纸", "自动更换", "N");
    open_with({});
    auto* box = get<QLineEdit>("编辑框2");
    box->setText("7");
    EXPECT_EQ(timer()->interval(), 0);  // not checked: typing does nothing
    click("选择框4");
    EXPECT_EQ(timer()->interval(), 420000);
    EXPECT_TRUE(box->isEnabled());
    box->setText("1.5");
    EXPECT_EQ(timer()->interval(), 90000);
    box->setText("abc");
    EXPECT_EQ(timer()->interval(), 0);
    box->setText("2");
    click("选择框4");
    EXPECT_EQ(timer()->interval(), 0);
    EXPECT_FALSE(box->isEnabled());
    click("选择框4");
    box->setText("abc");
    close();
    // Saved as typed: the next start stops the timer again.
    EXPECT_EQ(timer()->interval(), 0);
    EXPECT_EQ(setting("自动更换"), "Y");
    EXPECT_EQ(setting("间隔时间"), "abc");
}

TEST_F(WallpaperManagerTest, AddingFilesAppendsEveryChosenPathEvenTwice) {
    ScriptedPrompts prompts;
    const std::string odd = picture("a;b c.jpg", 4, 4, "JPG");
    prompts.then_files({odd, odd}).then_cancel();
    open_with({});
    click("超级按钮1");
    ASSERT_EQ(prompts.asked().size(), 1u);
    const ui::Prompt& asked = prompts.asked()[0];
    EXPECT_EQ(asked.kind, ui::Prompt::Kind::OpenFiles);
    EXPECT_EQ(asked.title, "请选择要加入的壁纸");
    EXPECT_TRUE(asked.multiple);
    ASSERT_EQ(asked.filters.size(), 1u);
    EXPECT_EQ(asked.filters[0].description, "JPG,BMP,ICO");
    EXPECT_EQ(asked.filters[0].patterns, (std::vector<std::string>{"*.JPG", "*.BMP", "*.ICO"}));
    EXPECT_EQ(row_texts(), (std::vector<std::string>{odd, odd}));
    EXPECT_EQ(g_wallpaper_list, row_texts());
    click("超级按钮1");  // cancelled
    EXPECT_EQ(row_texts().size(), 2u);
    close();
    EXPECT_EQ(dezu::wallpaper::read_wallpaper_list(path("WALLAB.INI")),
              (std::vector<std::string>{odd, odd}));
}

TEST_F(WallpaperManagerTest, AddingAFolderTakesJpgThenBmpThenIcoFiles) {
    std::filesystem::create_directories(path("pics/z.jpg"));  // a folder, not a picture
    for (const char* name : {"pics/d.png", "pics/c.ico", "pics/b.bmp", "pics/a.jpg", "pics/e.JPG"})
        write_file(name, "x");
    write_file("pics/z.jpg/inner.jpg", "x");
    const std::string folder = path("pics");
    ScriptedPrompts prompts;
    prompts.then_text(folder).then_text(folder + "/").then_cancel();
    open_with({});
    click("超级按钮2");
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].kind, ui::Prompt::Kind::Folder);
    EXPECT_EQ(prompts.asked()[0].title, "请选择要搜索壁纸的目录");
    const std::vector<std::string> expected = {folder + "/a.jpg", folder + "/e.JPG",
                                               folder + "/b.bmp", folder + "/c.ico"};
    EXPECT_EQ(row_texts(), expected);
    click("超级按钮2");  // already ends in "/": no second one
    const std::vector<std::string> twice = row_texts();
    EXPECT_EQ(std::vector<std::string>(twice.begin() + 4, twice.end()), expected);
    click("超级按钮2");  // cancelled
    EXPECT_EQ(row_texts().size(), 8u);
    EXPECT_EQ(g_wallpaper_list, row_texts());
}

TEST_F(WallpaperManagerTest, RemovingKeepsTheUnselectedRowsInOrder) {
    const std::vector<std::string> p = pictures(5);
    write_setting(clock_ini(), "更换壁纸", "当前壁纸", "0");
    open_with(p);
    click("超级按钮4");  // nothing selected
    EXPECT_EQ(row_texts(), p);
    rows()->item(1)->setSelected(true);
    rows()->item(3)->setSelected(true);
    click("超级按钮4");
    const std::vector<std::string> kept = {p[0], p[2], p[4]};
    EXPECT_EQ(row_texts(), kept);
    EXPECT_EQ(g_wallpaper_list, kept);
    click("超级按钮3");
    EXPECT_EQ(selected_rows(), (std::vector<int>{0, 1, 2}));
    click("超级按钮4");
    EXPECT_TRUE(row_texts().empty());
    EXPECT_TRUE(g_wallpaper_list.empty());
    click("超级按钮3");  // no rows: nothing to select
    close();
    EXPECT_EQ(read_file("WALLAB.INI"), "");
    timer()->set_interval(300000);
    tick();
    EXPECT_EQ(timer()->interval(), 0);
}

TEST_F(WallpaperManagerTest, DoubleClickOnThePreviewRemovesTheWallpaperOnly) {
    const std::vector<std::string> p = pictures(2);
    write_setting(clock_ini(), "更换壁纸", "当前壁纸", "2");
    open_with(p);
    QTest::mouseDClick(get<QWidget>("图片框1"), Qt::LeftButton);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, "");
    EXPECT_EQ(row_texts(), p);
    EXPECT_EQ(g_current_wallpaper_index, 2);
}

TEST_F(WallpaperManagerTest, ClosingSavesTheCheckedStyle) {
    const std::pair<const char*, const char*> cases[] = {
        {"单选框3", "0"}, {"单选框1", "1"}, {"单选框2", "2"}};
    start();
    for (const auto& [button, saved] : cases) {
        open();
        click(button);
        window()->close();  // the window's own close box
        EXPECT_FALSE(ui::is_window_loaded(ui::windows::kWallpaperManager));
        EXPECT_EQ(setting("显示方式"), saved);
        process_events();
    }
}

TEST_F(WallpaperManagerTest, LauncherRowOpensItOnceWithOpacityOnlyWhereItWorks) {
    for (bool translucent : {false, true}) {
        SCOPED_TRACE(translucent);
        ui::discard_all_windows();
        start(translucent);
        auto* launcher = ui::loaded_window_as<LauncherWindow>(ui::windows::kLauncher);
        launcher->row_button(3)->click();
        ui::Form* opened = window();
        ASSERT_NE(opened, nullptr);
        launcher->row_button(3)->click();
        EXPECT_EQ(window(), opened);
        EXPECT_NEAR(opened->windowOpacity(), translucent ? 230 / 255.0 : 1.0, 0.01);
    }
}
