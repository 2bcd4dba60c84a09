#include "app/launcher_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <set>

#include "app_fixture.h"
#include "platform/ui/controls.h"
#include "platform/ui/fonts.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/tray.h"

namespace ui = dezu::ui;

namespace {

const std::initializer_list<const char*> kTools = {
    ui::windows::kPlayerBar, ui::windows::kDesktopClock, ui::windows::kWallpaperManager,
    ui::windows::kDiaryBook, ui::windows::kMailCompose,  ui::windows::kSettings};

constexpr QRect kScreen(0, 0, 1024, 768);

}  // namespace

class LauncherTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        for (const char* key : {"显示启动画面", "自动播放", "自动启动"})
            set_ini("系统参数", key, "N");
        make_program();
        stand_in_for(kTools);
        services.window_system.screen = kScreen;
        launcher = start();
        ASSERT_NE(launcher, nullptr);
    }

    // A tray notification of that kind with the pointer at (x, y).
    void tray_click(int x, int y,
                    QSystemTrayIcon::ActivationReason kind = QSystemTrayIcon::Trigger) {
        services.window_system.pointer = QPoint(x, y);
        QSystemTrayIcon* icon = launcher->tray()->system_icon();
        ASSERT_NE(icon, nullptr);
        emit icon->activated(kind);
    }
    void set_foreground(QWidget* window) { services.window_system.foreground = window; }
    // Runs the event loop until the auto-hide timer has ticked that many times
    // more, or has stopped.
    void wait_auto_hide_ticks(int count) {
        int ticks = 0;
        ui::TimerControl* timer = launcher->auto_hide_timer();
        const auto counting =
            QObject::connect(timer, &ui::TimerControl::tick, [&ticks] { ++ticks; });
        EXPECT_TRUE(wait_until([&] { return ticks >= count || !timer->is_running(); }));
        QObject::disconnect(counting);
    }
    void click_row(int row) { launcher->row_button(row)->click(); }
    // The pointer moving over a row's super button.
    void move_over(int row) {
        ui::SuperButton* button = launcher->row_button(row);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &move);
    }
    std::vector<int> highlighted_rows() const {
        std::vector<int> rows;
        for (int row = 1; row <= LauncherWindow::kRows; ++row)
            if (launcher->row_button(row)->highlight()) rows.push_back(row);
        return rows;
    }

    LauncherWindow* launcher = nullptr;
};

TEST_F(LauncherTest, PopsUpAtThePointerAndStaysOnTheScreen) {
    const int w = LauncherWindow::kWidth, h = LauncherWindow::kHeight, right = kScreen.width();
    struct Case {
        const char* what;
        int x, y;
        int left, top;
    } cases[] = {
        {"bottom edge at the pointer", 500, 700, 498, 700 - h},
        {"x = 1", 1, 700, 0, 700 - h},
        {"50 from the right edge", right - 50, 700, right - w - 2, 700 - h},
        {"at the right edge", right - 1, 700, right - w - 2, 700 - h},
        {"y = 100", 300, 100, 298, 0},
        {"corner", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        tray_click(c.x, c.y);
        EXPECT_TRUE(launcher->isVisible()) << c.what;
        EXPECT_EQ(launcher->geometry(), QRect(c.left, c.top, w, h)) << c.what;
    }
    EXPECT_TRUE(launcher->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(launcher->auto_hide_timer()->interval(), 200);
}

TEST_F(LauncherTest, EveryKindOfTrayNotificationPopsUp) {
    set_foreground(nullptr);
    for (auto kind :
         {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick,
          QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Unknown}) {
        launcher->auto_hide_launcher();
        ASSERT_FALSE(launcher->isVisible());
        ASSERT_EQ(launcher->auto_hide_timer()->interval(), 0);
        tray_click(400, 600, kind);
        EXPECT_TRUE(launcher->isVisible()) << kind;
        EXPECT_EQ(launcher->pos(), QPoint(398, 600 - LauncherWindow::kHeight)) << kind;
        EXPECT_EQ(launcher->auto_hide_timer()->interval(), 200) << kind;
    }
}

TEST_F(LauncherTest, HidesOnceAnotherWindowHasTheForeground) {
    ui::load_window(ui::windows::kSettings);
    QWidget* own_other = ui::loaded_window(ui::windows::kSettings);
    struct Case {
        const char* what;
        QWidget* foreground;
        bool stays;
    } cases[] = {
        {"the panel itself", launcher, true},
        {"another window of dezu", own_other, false},
        {"another program's window", nullptr, false},
    };
    for (const auto& c : cases) {
        set_foreground(launcher);
        tray_click(400, 600);
        ASSERT_TRUE(wait_until([&] { return launcher->isVisible(); })) << c.what;
        set_foreground(c.foreground);
        wait_auto_hide_ticks(2);
        EXPECT_EQ(launcher->isVisible(), c.stays) << c.what;
        EXPECT_EQ(launcher->auto_hide_timer()->interval(), c.stays ? 200 : 0) << c.what;
    }
}

TEST_F(LauncherTest, ActivationWithinTheProgramDecidesTheForeground) {
    // No fixed answer: the platform's own activation.
    tray_click(400, 600);
    ASSERT_TRUE(wait_until([&] {
        return launcher->isVisible() && services.window_system.foreground_window() == launcher;
    }));
    ui::load_window(ui::windows::kDiaryBook);
    ui::loaded_window(ui::windows::kDiaryBook)->activateWindow();
    wait_auto_hide_ticks(2);
    EXPECT_FALSE(launcher->isVisible());
    EXPECT_FALSE(launcher->auto_hide_timer()->is_running());
}

TEST_F(LauncherTest, HighlightFollowsThePointerAndSurvivesHiding) {
    EXPECT_EQ(launcher->highlighted_row(), 0);
    EXPECT_TRUE(highlighted_rows().empty());
    for (int i = 0; i < 3; ++i) move_over(3);  // back and forth over one button
    EXPECT_EQ(highlighted_rows(), std::vector<int>{3});
    move_over(7);
    EXPECT_EQ(highlighted_rows(), std::vector<int>{7});
    EXPECT_EQ(launcher->highlighted_row(), 7);

    set_foreground(launcher);
    tray_click(400, 600);
    set_foreground(nullptr);
    launcher->auto_hide_launcher();
    ASSERT_FALSE(launcher->isVisible());
    tray_click(400, 600);
    EXPECT_EQ(highlighted_rows(), std::vector<int>{7});

    // The highlight shows: row 7's rim is drawn, row 6's is not.
    const QImage shot = launcher->grab().toImage();
    const auto rim = [&](int row) { return shot.pixelColor(25, 1 + 17 * (row - 1)); };
    EXPECT_NE(rim(7), rim(6));
}

TEST_F(LauncherTest, PlayerBarRowShowsAHiddenBarThenClosesItThenLoadsIt) {
    const char* bar = ui::windows::kPlayerBar;
    click_row(1);
    ASSERT_TRUE(ui::is_window_loaded(bar));
    EXPECT_TRUE(ui::loaded_window(bar)->isVisible());
    ui::loaded_window(bar)->hide();  // as the bar's own button does

    click_row(1);
    EXPECT_TRUE(ui::loaded_window(bar)->isVisible());
    EXPECT_EQ(tools.count(tools.created, bar), 1);
    click_row(1);
    EXPECT_FALSE(ui::is_window_loaded(bar));
    EXPECT_EQ(tools.count(tools.closed, bar), 1);
    click_row(1);
    EXPECT_TRUE(ui::is_window_loaded(bar));
    EXPECT_EQ(tools.count(tools.created, bar), 2);
}

TEST_F(LauncherTest, ClockRowLoadsThenCloses) {
    const char* clock = ui::windows::kDesktopClock;
    click_row(2);
    EXPECT_TRUE(ui::is_window_loaded(clock));
    click_row(2);
    EXPECT_FALSE(ui::is_window_loaded(clock));
    EXPECT_EQ(tools.count(tools.closed, clock), 1);
}

TEST_F(LauncherTest, OpenerRowsLoadOnceAndLeaveAnOpenWindowAlone) {
    const std::pair<int, const char*> rows[] = {{3, ui::windows::kWallpaperManager},
                                                {4, ui::windows::kDiaryBook},
                                                {5, ui::windows::kMailCompose},
                                                {9, ui::windows::kSettings}};
    for (const auto& [row, id] : rows) {
        click_row(row);
        ASSERT_TRUE(ui::is_window_loaded(id)) << id;
        ui::loaded_window(id)->hide();
        click_row(row);
        EXPECT_EQ(tools.count(tools.created, id), 1) << id;
        EXPECT_FALSE(ui::loaded_window(id)->isVisible()) << id << ": not shown again";
    }
}

TEST_F(LauncherTest, RowsOfWindowsNotBuiltYetDoNothing) {
    for (const char* id : kTools) ui::unregister_window(id);
    for (int row : {1, 2, 3, 4, 5, 9}) click_row(row);
    for (const char* id : kTools) EXPECT_FALSE(ui::is_window_loaded(id)) << id;
    EXPECT_FALSE(launcher->isVisible());
}

TEST_F(LauncherTest, SystemActionRowsAskTheDesktop) {
    const std::pair<int, const char*> rows[] = {
        {6, "open_settings_program"}, {7, "start_screen_saver"}, {8, "show_run_dialog"}};
    for (bool desktop_answers : {true, false}) {
        services.shell.calls.clear();
        services.shell.answer = desktop_answers;
        for (const auto& [row, call] : rows) click_row(row);
        std::vector<std::string> expected;
        for (const auto& [row, call] : rows) expected.push_back(call);
        EXPECT_EQ(services.shell.calls, expected);
    }
    // Whatever the desktop did, nothing is said.
    EXPECT_TRUE(services.prompts.asked().empty());
}

TEST_F(LauncherTest, ShutdownOnlyOnYes) {
    for (ui::Button answer : {ui::Button::No, ui::Button::Yes}) {
        services.shell.calls.clear();
        services.prompts.then_button(answer);
        click_row(10);
        const ui::Prompt& asked = services.prompts.asked().back();
        EXPECT_EQ(asked.text, "是否关机");
        EXPECT_EQ(asked.style, ui::MessageStyle::YesNo);
        EXPECT_FALSE(asked.title.has_value());
        EXPECT_EQ(services.shell.calls, answer == ui::Button::Yes
                                            ? std::vector<std::string>{"power_off"}
                                            : std::vector<std::string>{});
    }
    EXPECT_EQ(services.prompts.asked().size(), 2u);
}

TEST_F(LauncherTest, FormShowsTheTitleFaceAndElevenFacePictures) {
    QLabel* title = launcher->title();
    EXPECT_EQ(title->text(), "   d  e  z  u");
    EXPECT_EQ(title->geometry(), QRect(1, 1, 23, 186));
    EXPECT_EQ(title->font().pixelSize(), 20);
    // 华文新魏 is not installed here; the title gets a brush face that is.
    const QString used = QFontInfo(title->font()).family();
    EXPECT_TRUE(ui::faces_for("华文新魏").contains(used)) << used.toStdString();

    std::set<std::string> pictures;
    for (int row = 1; row <= LauncherWindow::kRows; ++row) {
        ui::PictureBox* face = launcher->row_face(row);
        EXPECT_EQ(face->objectName().toStdString(), "图形按钮" + std::to_string(row));
        EXPECT_EQ(face->geometry(), QRect(25, 1 + 17 * (row - 1), 80, 16));
        EXPECT_EQ(face->geometry(), launcher->row_button(row)->geometry());
        const std::string& bmp = face->picture();
        ASSERT_EQ(bmp.size(), 3894u) << row;
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        const QImage image = QImage::fromData(QByteArray::fromStdString(bmp), "BMP");
        EXPECT_EQ(image.size(), QSize(80, 16)) << row;
        EXPECT_EQ(image.depth() >= 24, true);
        pictures.insert(bmp);
    }
    EXPECT_EQ(pictures.size(), 11u) << "each row has its own face";
}
