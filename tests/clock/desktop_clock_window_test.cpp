#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>
#include <map>

#include "assets/assets.h"
#include "clock/clock_styles.h"
#include "clock/digit_strip.h"
#include "clock_test_support.h"
#include "platform/ui/timer_control.h"

using dezu::ui::Button;
namespace ui = dezu::ui;
using dezu::clock::default_chime_sound;
using dezu::clock::image_from_strip;
using dezu::clock::kDigitStyles;

namespace {

void send_mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
                Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

QImage decode(const std::string& bytes) {
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()));
}

}  // namespace

TEST_F(ClockTest, TimeBoxesShowTheTimeWithLeadingZeros) {
    const struct {
        int h, m, s;
        const char* shows;
    } cases[] = {{9, 5, 7, "09:05:07"}, {23, 59, 59, "23:59:59"}, {0, 0, 0, "00:00:00"}};
    for (const auto& c : cases) {
        set_time(c.h, c.m, c.s);
        DesktopClockWindow* w = open_clock();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(shown(w), c.shows);
        close_clock();
    }
}

TEST_F(ClockTest, HourAndMinuteChangeOnlyOnASecondZeroTick) {
    set_time(9, 5, 58);
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    set_time(9, 6, 1);  // the second-0 tick of 09:06 was missed
    w->on_clock_tick();
    EXPECT_EQ(shown(w), "09:05:01");
    set_time(10, 7, 0);
    w->on_clock_tick();
    EXPECT_EQ(shown(w), "10:07:00");
}

TEST_F(ClockTest, TicksJustAfterEverySecondBegins) {
    // Wherever in its second the window loads, and however late a tick is
    // delivered, the next tick lands just after the next second begins, and
    // the display then shows that second.
    const struct {
        int load_ms;
        int late_ms;  // how late each tick reaches the window
    } cases[] = {{0, 0}, {1, 0}, {300, 0}, {950, 0}, {999, 0}, {300, 30}, {700, 400}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "load at ." << c.load_ms << ", late " << c.late_ms);
        set_time(9, 5, 58, c.load_ms);
        DesktopClockWindow* w = open_clock();
        ASSERT_NE(w, nullptr);
        for (int tick = 0; tick < 4; ++tick) {  // across the minute
            services.clock.advance_ms(w->tick_timer()->interval() + c.late_ms);
            const QTime now = services.clock.now().time();
            EXPECT_LT(now.msec(), 50 + c.late_ms) << "tick " << tick;
            emit w->tick_timer()->tick();
            EXPECT_EQ(shown(w), now.toString("HH:mm:ss").toStdString()) << "tick " << tick;
        }
        close_clock();
    }
}

TEST_F(ClockTest, HourlyChimePlaysTheChosenSound) {
    write_file("bell.wav", default_chime_sound());
    const std::string bell = path("bell.wav");
    const std::string missing = path("gone.wav");
    const struct {
        const char* what;
        std::string stored;  // [报时] 报时
        int m, s;
        std::vector<Sound> expected;
    } cases[] = {
        {"chime off", "", 0, 0, {}},
        {"built-in at the hour", "默认", 0, 0, {{"", 10026, true}}},
        {"built-in, not the hour", "默认", 1, 0, {}},
        {"built-in, second 1", "默认", 0, 1, {}},
        {"chosen file", bell, 0, 0, {{bell, 0, true}}},
        {"missing file", missing, 0, 0, {{missing, 0, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clock().set_chime_sound_file({});
        set_ini("报时", "报时", c.stored);
        sounds().clear();
        set_time(11, 59, 59);
        DesktopClockWindow* w = open_clock();
        ASSERT_NE(w, nullptr);
        set_time(12, c.m, c.s);
        w->on_clock_tick();
        const auto played = sounds().after_playing();
        ASSERT_EQ(played.size(), c.expected.size());
        for (std::size_t i = 0; i < played.size(); ++i) {
            EXPECT_EQ(played[i].file, c.expected[i].file);
            EXPECT_EQ(played[i].bytes, c.expected[i].bytes);
            EXPECT_EQ(played[i].played, c.expected[i].played);
        }
        EXPECT_TRUE(services.prompts.asked().empty());  // nothing is ever reported
        close_clock();
    }
}

TEST_F(ClockTest, TwoTicksInTheFirstSecondOfTheHourChimeTwice) {
    set_ini("报时", "报时", "默认");
    DesktopClockWindow* w = open_clock();
    set_time(13, 0, 0);
    w->on_clock_tick();
    w->on_clock_tick();
    EXPECT_EQ(sounds().after_playing().size(), 2u);
}

TEST_F(ClockTest, FirstOpeningTakesTheDefaultLookAndStoresIt) {
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), QSize(129, 139));
    EXPECT_EQ(w->digit_panel()->pos(), QPoint(6, 7));
    EXPECT_EQ(w->pos(), QPoint(50, 50));
    EXPECT_EQ(ini("界面", "当前界面"), "米老鼠");
    EXPECT_EQ(ini("界面", "当前数字"), "浅兰");
    EXPECT_EQ(ini("位置", "横向位置", "absent"), "absent");
    const std::string strip = dezu::assets::asset_bytes("digits_light_blue.mitl");
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(clock().digit_picture(i), image_from_strip(strip, i)) << i;
    EXPECT_EQ(shown(w), "09:05:07");
    EXPECT_FALSE(w->chime_on());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w->windowFlags() & Qt::Tool, Qt::Tool);  // no taskbar entry
    const QList<QSize> icon_sizes = w->windowIcon().availableSizes();
    EXPECT_EQ(icon_sizes, (QList<QSize>{{32, 32}, {48, 48}, {64, 64}}));

    w->move(300, 211);
    w->menu_item("隐藏窗口")->trigger();
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kDesktopClock));
    EXPECT_EQ(ini("位置", "横向位置"), "300");
    EXPECT_EQ(ini("位置", "纵向位置"), "211");
}

TEST_F(ClockTest, EverySkinSetsSizeOutlineAndPanel) {
    const struct {
        const char* caption;
        QSize window;
        QPoint panel;
        QPoint outside;  // a white pixel of the picture; none for the frame
    } skins[] = {
        {"巴比豆", {120, 144}, {5, 114}, {0, 0}}, {"米老鼠", {129, 139}, {6, 7}, {0, 138}},
        {"史努比", {120, 140}, {5, 5}, {0, 139}}, {"小女孩", {153, 98}, {6, 68}, {0, 0}},
        {"鱼骨头", {140, 98}, {15, 58}, {0, 97}}, {"无背景", {111, 26}, {1, 1}, {-1, -1}},
    };
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    w->move(70, 80);
    for (const auto& s : skins) {
        SCOPED_TRACE(s.caption);
        w->menu_item(s.caption)->trigger();
        EXPECT_EQ(w->size(), s.window);
        EXPECT_EQ(w->pos(), QPoint(70, 80));  // the top-left corner stays
        EXPECT_EQ(w->digit_panel()->pos(), s.panel);
        EXPECT_EQ(w->digit_panel()->size(), QSize(110, 24));
        EXPECT_EQ(ini("界面", "当前界面"), s.caption);
        EXPECT_EQ(shown(w), "09:05:07");
        const QRegion shape = w->mask();
        EXPECT_TRUE(shape.contains(s.panel + QPoint(50, 10)));
        if (s.outside.x() >= 0) {
            EXPECT_FALSE(shape.contains(s.outside));
            EXPECT_EQ(w->background_picture().toImage().pixel(s.outside) & 0xFFFFFF, 0xFFFFFFu);
        } else {
            EXPECT_EQ(shape.boundingRect(), QRect(0, 0, 112, 27));
        }
    }
}

TEST_F(ClockTest, UnknownCaptionsLeaveTheWindowAsDefined) {
    set_ini("界面", "当前界面", "唐老鸭");
    set_ini("界面", "当前数字", "紫色");
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), QSize(120, 144));
    EXPECT_EQ(w->digit_panel()->pos(), QPoint(5, 114));
    EXPECT_TRUE(w->mask().isEmpty());
    EXPECT_TRUE(w->background_picture().isNull());
    EXPECT_EQ(shown(w), "        ");  // no style applied since the start
    EXPECT_EQ(ini("界面", "当前界面"), "唐老鸭");
    EXPECT_EQ(ini("界面", "当前数字"), "紫色");
    // A later opening shows the style applied last in the run.
    w->menu_item("黑绿")->trigger();
    close_clock();
    set_ini("界面", "当前界面", "巴比豆");
    set_ini("界面", "当前数字", "紫色");
    w = open_clock();
    const std::string strip = dezu::assets::asset_bytes("digits_black_green.mitl");
    EXPECT_EQ(w->time_box(2)->picture(), image_from_strip(strip, 9));
}

TEST_F(ClockTest, StoredPositionIsTruncatedToWholePixels) {
    const struct {
        const char* left;
        const char* top;
        QPoint at;
    } cases[] = {{"-20", "30", {-20, 30}},
                 {"12.7", "-3.9", {12, -3}},
                 {"", "", {50, 50}},
                 {"abc", "400x", {0, 400}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.left);
        set_ini("位置", "横向位置", c.left);
        set_ini("位置", "纵向位置", c.top);
        DesktopClockWindow* w = open_clock();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->pos(), c.at);
        ui::discard_all_windows();
        process_events();
    }
}

TEST_F(ClockTest, ChimeSwitchFollowsTheAnswers) {
    write_file("ring.mid", "MThd");
    const std::string ring = path("ring.mid");
    const struct {
        const char* what;
        const char* stored_before;  // nullptr: no [报时] at all
        std::string file_before;
        Button answer;
        std::vector<std::string> files;  // the dialog's answer
        bool ticked;
        std::string stored_after;
        std::string file_after;
    } cases[] = {
        {"No: built-in", nullptr, "old.wav", Button::No, {}, true, "默认", ""},
        {"Yes and a file", nullptr, "", Button::Yes, {ring}, true, ring, ring},
        {"Yes and cancel", nullptr, "old.wav", Button::Yes, {}, false, "(none)", "old.wav"},
        {"switching off", "默认", "old.wav", Button::No, {}, false, "", ""},  // 默认 cleared it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramDirTest::write_file("clock.ini", "");
        if (c.stored_before) set_ini("报时", "报时", c.stored_before);
        clock().set_chime_sound_file(c.file_before);
        DesktopClockWindow* w = open_clock();
        ASSERT_NE(w, nullptr);
        ScriptedPrompts& prompts = services.prompts;
        const std::size_t asked_before = prompts.asked().size();
        prompts.then_button(c.answer);
        if (c.answer == Button::Yes) prompts.then_files(c.files);
        w->menu_item("报时铃声")->trigger();
        EXPECT_EQ(w->chime_on(), c.ticked);
        EXPECT_EQ(w->menu_item("报时铃声")->isChecked(), c.ticked);
        EXPECT_EQ(ini("报时", "报时", "(none)"), c.stored_after);
        EXPECT_EQ(clock().chime_sound_file(), c.file_after);
        const std::vector<dezu::ui::Prompt> asked(prompts.asked().begin() + long(asked_before),
                                                  prompts.asked().end());
        if (c.stored_before) {
            EXPECT_TRUE(asked.empty());
        } else {
            ASSERT_GE(asked.size(), 1u);
            const auto& box = asked[0];
            EXPECT_EQ(box.text, "是否选择铃声");
            EXPECT_EQ(box.style, dezu::ui::MessageStyle::YesNo);
            EXPECT_FALSE(box.title.has_value());
            if (c.answer == Button::Yes) {
                ASSERT_EQ(asked.size(), 2u);
                const auto& dialog = asked[1];
                EXPECT_EQ(dialog.kind, dezu::ui::Prompt::Kind::OpenFiles);
                ASSERT_EQ(dialog.filters.size(), 2u);
                EXPECT_EQ(dialog.filters[0].description, "*.WAV");
                EXPECT_EQ(dialog.filters[0].patterns, std::vector<std::string>{"*.WAV"});
                EXPECT_EQ(dialog.filters[1].patterns, std::vector<std::string>{"*.MID"});
                EXPECT_FALSE(dialog.multiple);
            }
        }
        // The next opening restores what was stored.
        close_clock();
        clock().set_chime_sound_file("stale");
        w = open_clock();
        EXPECT_EQ(w->chime_on(), c.ticked);
        if (c.stored_after == ring) {
            EXPECT_EQ(clock().chime_sound_file(), ring);
        } else if (c.stored_after == "默认") {
            EXPECT_EQ(clock().chime_sound_file(), "");
        } else {
            EXPECT_EQ(clock().chime_sound_file(), "stale");  // untouched while the chime is off
        }
        close_clock();
    }
}

TEST_F(ClockTest, MenuHoldsEveryItemInOrder) {
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    std::vector<std::string> items;
    for (QAction* a : w->clock_menu()->actions()) {
        if (a->isSeparator()) {
            items.push_back("-");
            continue;
        }
        items.push_back(a->text().toStdString());
        if (QMenu* sub = a->menu())
            for (QAction* s : sub->actions()) items.push_back("  " + s->text().toStdString());
    }
    const std::vector<std::string> expected = {
        "-",        "皮肤风格", "  巴比豆", "  米老鼠", "  史努比", "  小女孩",
        "  鱼骨头", "  无背景", "数字风格", "  粉红",   "  黑绿",   "  黄白",
        "  灰色",   "  桔黄",   "  蓝绿",   "  浅兰",   "  液晶",   "-",
        "时间设置", "日历窗口", "-",        "报时铃声", "隐藏窗口"};
    EXPECT_EQ(items, expected);
    EXPECT_TRUE(w->menu_item("报时铃声")->isCheckable());
}

TEST_F(ClockTest, PopupDrawsItsThreeSeparatorLines) {
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    QMenu* menu = w->clock_menu();
    w->show_clock_menu();
    ASSERT_TRUE(menu->isVisible());
    const QImage drawn = menu->grab().toImage();
    ASSERT_FALSE(drawn.isNull());
    // The menu's face is the colour of most of it. A line is a run of rows
    // that differ from the face across the menu's width, with face above and
    // below it: a line that touches the frame reads as part of the frame.
    std::map<QRgb, int> count;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) ++count[drawn.pixel(x, y)];
    const QRgb face = std::max_element(count.begin(), count.end(), [](auto& a, auto& b) {
                          return a.second < b.second;
                      })->first;
    const auto differs = [&](int y) {
        int marked = 0, from = 8, to = drawn.width() - 8;
        for (int x = from; x < to; ++x) marked += drawn.pixel(x, y) != face;
        return marked * 10 >= (to - from) * 9;
    };
    std::vector<int> lines;  // the top row of each
    for (int y = 0; y < drawn.height(); ++y) {
        if (!differs(y)) continue;
        const int first = y;
        while (y + 1 < drawn.height() && differs(y + 1)) ++y;
        if (first > 0 && y < drawn.height() - 1) lines.push_back(first);
    }
    ASSERT_EQ(lines.size(), 3u) << "separator lines drawn";
    const auto top = [&](const char* caption) {
        return menu->actionGeometry(w->menu_item(caption)).top();
    };
    const auto bottom = [&](const char* caption) {
        return menu->actionGeometry(w->menu_item(caption)).bottom();
    };
    EXPECT_LT(lines[0], top("皮肤风格"));
    EXPECT_GT(lines[1], bottom("数字风格"));
    EXPECT_LT(lines[1], top("时间设置"));
    EXPECT_GT(lines[2], bottom("日历窗口"));
    EXPECT_LT(lines[2], top("报时铃声"));
    menu->hide();
}

TEST_F(ClockTest, RightButtonOnADigitOrTheBodyOpensTheMenu) {
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    for (QWidget* target : {static_cast<QWidget*>(w->time_box(5)), static_cast<QWidget*>(w)}) {
        w->clock_menu()->hide();
        send_mouse(target, QEvent::MouseButtonPress, {3, 3}, Qt::RightButton, Qt::RightButton);
        EXPECT_TRUE(w->clock_menu()->isVisible());
    }
    w->clock_menu()->hide();
}

TEST_F(ClockTest, DigitStylesRedrawEveryBox) {
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    for (const auto& style : kDigitStyles) {
        SCOPED_TRACE(style.caption);
        set_time(21, 43, 5);
        w->menu_item(style.caption)->trigger();
        const std::string strip = dezu::assets::asset_bytes(style.asset);
        EXPECT_EQ(w->time_box(1)->picture(), image_from_strip(strip, 2));
        EXPECT_EQ(w->time_box(3)->picture(), image_from_strip(strip, 10));
        EXPECT_EQ(w->time_box(8)->picture(), image_from_strip(strip, 5));
        EXPECT_EQ(shown(w), "21:43:05");
        EXPECT_EQ(ini("界面", "当前数字"), style.caption);
    }
}

TEST_F(ClockTest, OpacityRisesOnceTheMouseMovesOverTheBody) {
    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled);
        make_program(enabled);
        DesktopClockWindow* w = open_clock();
        ASSERT_NE(w, nullptr);
        const double start = enabled ? 200 / 255.0 : 1.0;
        EXPECT_NEAR(w->windowOpacity(), start, 0.01);
        send_mouse(w->time_box(4), QEvent::MouseMove, {4, 4}, Qt::NoButton, Qt::NoButton);
        EXPECT_NEAR(w->windowOpacity(), start, 0.01);
        send_mouse(w, QEvent::MouseMove, {60, 90}, Qt::NoButton, Qt::NoButton);
        EXPECT_NEAR(w->windowOpacity(), enabled ? 230 / 255.0 : 1.0, 0.01);
        close_clock();
    }
}

TEST_F(ClockTest, DraggingTheBodyMovesTheWindow) {
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    const QPoint start = w->pos();
    send_mouse(w, QEvent::MouseButtonPress, {60, 90}, Qt::LeftButton, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 90),
                     QPointF(w->mapToGlobal(QPoint(60, 90)) + QPoint(25, -10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    send_mouse(w, QEvent::MouseButtonRelease, {85, 80}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(w->pos(), start + QPoint(25, -10));
}

TEST_F(ClockTest, DateTimeItemOpensTheDesktopsSettings) {
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    for (bool found : {true, false}) {
        services.shell.answer = found;
        w->menu_item("时间设置")->trigger();
    }
    EXPECT_EQ(services.shell.calls,
              (std::vector<std::string>{"open_date_time_settings", "open_date_time_settings"}));
    EXPECT_TRUE(services.prompts.asked().empty());  // a desktop without one is not told
}

TEST_F(ClockTest, CalendarOpensOnceAndOutlivesTheClock) {
    DesktopClockWindow* w = open_clock();
    ASSERT_NE(w, nullptr);
    w->menu_item("日历窗口")->trigger();
    ui::Form* calendar = ui::loaded_window(ui::windows::kLunarCalendar);
    ASSERT_NE(calendar, nullptr);
    w->menu_item("日历窗口")->trigger();
    EXPECT_EQ(ui::loaded_window(ui::windows::kLunarCalendar), calendar);
    w->menu_item("隐藏窗口")->trigger();
    process_events();
    EXPECT_TRUE(ui::is_window_loaded(ui::windows::kLunarCalendar));
}

TEST_F(ClockTest, ScreenShowsTheDigitPictures) {
    set_time(9, 5, 7);
    DesktopClockWindow* w = open_clock();  // 米老鼠 with 浅兰 digits
    ASSERT_NE(w, nullptr);
    const QImage screen = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(screen.size(), QSize(129, 139));
    const QImage skin = w->background_picture().toImage().convertToFormat(QImage::Format_RGB32);
    const std::string strip = dezu::assets::asset_bytes("digits_light_blue.mitl");
    const int digits[] = {0, 9, -1, 0, 5, -1, 0, 7};
    const int lefts[] = {0, 15, 30, 40, 55, 70, 80, 95};
    for (int box = 0; box < 8; ++box) {
        if (digits[box] < 0) continue;
        SCOPED_TRACE(box);
        const QImage digit = decode(image_from_strip(strip, digits[box]));
        int lit = 0;
        for (int y = 0; y < 24; ++y)  // the panel shows 24 of the 25 rows
            for (int x = 0; x < 15; ++x) {
                const QPoint at(6 + lefts[box] + x, 7 + y);
                const QRgb want = qAlpha(digit.pixel(x, y)) ? digit.pixel(x, y) : skin.pixel(at);
                ASSERT_EQ(screen.pixel(at) & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y;
                lit += qAlpha(digit.pixel(x, y)) && qBlue(digit.pixel(x, y)) > 200;
            }
        EXPECT_GT(lit, 10);
    }
}
