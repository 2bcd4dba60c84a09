#include "player/volume_control.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QWheelEvent>

#include "player_test_support.h"

using dezu::player::start_width;
using dezu::player::volume_for_level;
using dezu::player::wheel_level;

namespace {

class VolumeTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        bar = open_bar();
        ASSERT_NE(bar, nullptr);
        bar->toggle_bar_height();
    }
    void wheel(int delta) { wheel(bar->volume_fill(), delta); }
    static void wheel(QWidget* target, int delta) {
        QWheelEvent e(QPointF(2, 2), QPointF(target->mapToGlobal(QPoint(2, 2))), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    }
    void mouse(QWidget* target, QEvent::Type type, int x) {
        QMouseEvent e(type, QPointF(x, 3), QPointF(target->mapToGlobal(QPoint(x, 3))),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }
    // The output volume as the byte a level sets: twice the level.
    double volume_byte() { return player().volume() * 255; }
    PlayerBarWindow* bar = nullptr;
};

TEST_F(VolumeTest, TheStartLevelComesFromTheOutputVolume) {
    EXPECT_EQ(bar->volume_fill()->width(), 42);  // full volume
    EXPECT_EQ(bar->volume_level(), 127);
    dezu::ui::destroy_window(dezu::ui::windows::kPlayerBar);
    player().set_volume(128 / 255.0);
    bar = open_bar();
    EXPECT_EQ(bar->volume_fill()->width(), 21);
    EXPECT_EQ(bar->volume_level(), 63);
    EXPECT_DOUBLE_EQ(volume_byte(), 128);  // not set at start
}

TEST_F(VolumeTest, TheWheelStepsByFiveWithinOneTo127) {
    const struct {
        int from, delta, to, width, byte;
    } cases[] = {{125, 120, 127, 42, 254}, {127, 120, 127, 42, 254}, {127, -120, 122, 40, 244},
                 {6, -120, 1, 0, 2},       {1, -120, 1, 0, 2},       {60, 960, 65, 21, 130}};
    set_rows({track("a.wav")});
    start(0);
    for (const auto& c : cases) {
        bar->set_volume_level(c.from);
        wheel(c.delta);
        EXPECT_EQ(bar->volume_level(), c.to) << c.from << " " << c.delta;
        EXPECT_EQ(bar->volume_fill()->width(), c.width);
        EXPECT_DOUBLE_EQ(volume_byte(), c.byte);
        // The open track plays at it too.
        EXPECT_DOUBLE_EQ(player().media().volume(), c.byte / 255.0);
    }
}

TEST_F(VolumeTest, TheWheelOverAnyPartOfTheBarReachesTheVolume) {
    bar->toggle_bar_height();  // folded again
    std::vector<QWidget*> targets = {bar, bar->time_label(), bar->progress_track(),
                                     bar->progress_fill(), bar->volume_track()};
    for (QAbstractButton* button : bar->findChildren<QAbstractButton*>()) targets.push_back(button);
    ASSERT_EQ(targets.size(), 12u);
    for (QWidget* target : targets) {
        const std::string name = target->objectName().toStdString();
        bar->set_volume_level(60);
        wheel(target, 120);
        EXPECT_EQ(bar->volume_level(), 65) << name;
        EXPECT_DOUBLE_EQ(volume_byte(), 130) << name;
        wheel(target, -120);
        EXPECT_EQ(bar->volume_level(), 60) << name;
    }

    // At level 1 the fill has no width left to turn the wheel over; the
    // track around it brings the volume back.
    bar->set_volume_level(6);
    wheel(-120);
    ASSERT_EQ(bar->volume_fill()->width(), 0);
    wheel(bar->volume_track(), 120);
    EXPECT_EQ(bar->volume_level(), 6);
    EXPECT_EQ(bar->volume_fill()->width(), 1);

    // A touchpad's scroll begins and ends with turns of nothing.
    wheel(bar, 0);
    EXPECT_EQ(bar->volume_level(), 6);
}

TEST_F(VolumeTest, DraggingSetsTheLevelFromThePointerWithinTheFullWidth) {
    QLabel* fill = bar->volume_fill();
    QWidget* track = bar->volume_track();
    mouse(fill, QEvent::MouseButtonPress, 30);
    EXPECT_TRUE(bar->volume_drag_active());
    mouse(fill, QEvent::MouseButtonRelease, 21);
    EXPECT_FALSE(bar->volume_drag_active());
    EXPECT_EQ(bar->volume_level(), 63);
    EXPECT_DOUBLE_EQ(volume_byte(), 126);

    mouse(track, QEvent::MouseButtonPress, 10);
    mouse(track, QEvent::MouseMove, 46);
    EXPECT_EQ(fill->width(), 42);
    EXPECT_EQ(bar->volume_level(), 127);
    EXPECT_DOUBLE_EQ(volume_byte(), 254);
    mouse(track, QEvent::MouseButtonRelease, 0);
    EXPECT_EQ(bar->volume_level(), 0);
    EXPECT_DOUBLE_EQ(volume_byte(), 0);

    // Without a press, moves change nothing.
    mouse(track, QEvent::MouseMove, 30);
    EXPECT_EQ(bar->volume_level(), 0);
}

TEST_F(VolumeTest, ASeekPressEndsAVolumeDragAndAVolumePressASeekDrag) {
    set_rows({track("a.wav")});
    start(0);
    bar->volume_track_mouse_down();
    bar->seek_fill_mouse_down();
    EXPECT_FALSE(bar->volume_drag_active());
    EXPECT_TRUE(bar->seek_drag_active());
    bar->volume_fill_mouse_down();
    EXPECT_FALSE(bar->seek_drag_active());
}

TEST(VolumeLevels, WidthsLevelsAndVolumes) {
    const struct {
        double volume;
        int width;
    } starts[] = {{1.0, 42}, {0.0, 0}, {128 / 255.0, 21}, {240 / 255.0, 39}, {254 / 255.0, 42}};
    for (const auto& c : starts) EXPECT_EQ(start_width(c.volume), c.width) << c.volume;
    EXPECT_DOUBLE_EQ(volume_for_level(127), 254 / 255.0);
    EXPECT_DOUBLE_EQ(volume_for_level(0), 0.0);
    EXPECT_EQ(wheel_level(50, 120), 55);
    EXPECT_EQ(wheel_level(50, 0), 45);  // a turn that is not upwards lowers it
}

}  // namespace
