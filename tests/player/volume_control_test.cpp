#include "player/volume_control.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QWheelEvent>

#include "platform/ui/messages.h"
#include "player/playback_engine.h"
#include "player_test_support.h"

using dezu::media::midi_out_volume;
using dezu::media::wave_out_volume;

namespace {

class VolumeTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        bar = open_bar();
        ASSERT_NE(bar, nullptr);
        bar->toggle_bar_height();
    }
    void wheel(int delta) {
        QLabel* fill = bar->volume_fill();
        QWheelEvent e(QPointF(2, 2), QPointF(fill->mapToGlobal(QPoint(2, 2))), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(fill, &e);
    }
    void mouse(QWidget* target, QEvent::Type type, int x) {
        QMouseEvent e(type, QPointF(x, 3), QPointF(target->mapToGlobal(QPoint(x, 3))),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }
    PlayerBarWindow* bar = nullptr;
};

TEST_F(VolumeTest, TheStartLevelComesFromTheWaveVolume) {
    EXPECT_EQ(bar->volume_fill()->width(), 42);  // full volume
    EXPECT_EQ(g_volume_level, 127);
    dezu::ui::destroy_window(dezu::ui::windows::kPlayerBar);
    dezu::media::set_wave_out_volume(0x80008000u);
    bar = open_bar();
    EXPECT_EQ(read_wave_volume_percent(), 50);
    EXPECT_EQ(bar->volume_fill()->width(), 21);
    EXPECT_EQ(g_volume_level, 63);
    EXPECT_EQ(wave_out_volume(), 0x80008000u);  // not set at start
}

TEST_F(VolumeTest, TheWheelStepsByFiveWithinOneTo127) {
    const struct {
        int from, delta, to, width;
        std::uint32_t word;
    } cases[] = {{125, 120, 127, 42, 0xFEFEFEFEu},  {127, 120, 127, 42, 0xFEFEFEFEu},
                 {127, -120, 122, 40, 0xF4F4F4F4u}, {6, -120, 1, 0, 0x02020202u},
                 {1, -120, 1, 0, 0x02020202u},      {60, 960, 65, 21, 0x82828282u}};
    for (const auto& c : cases) {
        g_volume_level = c.from;
        wheel(c.delta);
        EXPECT_EQ(g_volume_level, c.to) << c.from << " " << c.delta;
        EXPECT_EQ(bar->volume_fill()->width(), c.width);
        EXPECT_EQ(wave_out_volume(), c.word);
        EXPECT_EQ(midi_out_volume(), c.word);
    }
}

TEST_F(VolumeTest, DraggingSetsTheLevelFromThePointerWithinTheFullWidth) {
    QLabel* fill = bar->volume_fill();
    QWidget* track = bar->volume_track();
    mouse(fill, QEvent::MouseButtonPress, 30);
    EXPECT_TRUE(g_volume_drag_active);
    mouse(fill, QEvent::MouseButtonRelease, 21);
    EXPECT_FALSE(g_volume_drag_active);
    EXPECT_EQ(g_volume_level, 63);
    EXPECT_EQ(wave_out_volume(), 0x7E7E7E7Eu);

    mouse(track, QEvent::MouseButtonPress, 10);
    mouse(track, QEvent::MouseMove, 46);
    EXPECT_EQ(fill->width(), 42);
    EXPECT_EQ(g_volume_level, 127);
    EXPECT_EQ(wave_out_volume(), 0xFEFEFEFEu);
    mouse(track, QEvent::MouseButtonRelease, 0);
    EXPECT_EQ(g_volume_level, 0);
    EXPECT_EQ(wave_out_volume(), 0u);

    // Without a press, moves change nothing.
    mouse(track, QEvent::MouseMove, 30);
    EXPECT_EQ(g_volume_level, 0);
}

TEST_F(VolumeTest, ASeekPressEndsAVolumeDrag) {
    set_rows({track("a.wav")});
    g_current_track_index = 0;
    play_track_at(0);
    g_volume_drag_active = true;
    bar->seek_fill_mouse_down();
    EXPECT_FALSE(g_volume_drag_active);
    g_seek_drag_active = true;
    volume_fill_mouse_down();
    EXPECT_FALSE(g_seek_drag_active);
}

TEST(VolumeWord, BytesAndHexDigits) {
    EXPECT_EQ(replicate_volume_byte(254), 0xFEFEFEFEu);
    EXPECT_EQ(replicate_volume_byte(128), 0x80808080u);
    EXPECT_EQ(replicate_volume_byte(2), 0x02020202u);
    EXPECT_EQ(replicate_volume_byte(0), 0u);
    const struct {
        std::uint32_t word;
        int b;
    } cases[] = {
        {0xFFFFFFFFu, 255}, {0, 0}, {0x80008000u, 128}, {0xF0001234u, 240}, {0x0000FFFFu, 0}};
    for (const auto& c : cases) EXPECT_EQ(hex_high_byte(c.word), c.b) << std::hex << c.word;
}

TEST(VolumeWord, OnlyWheelMessagesAreTakenByTheProcedure) {
    QLabel label;
    g_volume_level = 50;
    EXPECT_EQ(volume_label_wndproc(&label, dezu::ui::WM_MOUSEWHEEL, 120 << 16, 0), 0);
    EXPECT_EQ(g_volume_level, 55);
    EXPECT_EQ(volume_label_wndproc(&label, 0x0201, 1, 0), -1);
    EXPECT_EQ(g_volume_level, 55);
}

}  // namespace
