#include "player/volume_control.h"

#include <QEvent>
#include <QLabel>
#include <QWheelEvent>
#include <cmath>
#include <cstdio>

#include "app/globals.h"
#include "platform/media/mci.h"
#include "platform/ui/messages.h"

namespace {

class VolumeProcedure : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        const QPoint delta = static_cast<QWheelEvent*>(event)->angleDelta();
        const int turn = delta.y() != 0 ? delta.y() : delta.x();
        // The delta rides in the high word of wParam, as the classic message
        // carries it.
        const auto wparam = std::intptr_t(std::int32_t(std::uint32_t(std::int16_t(turn)) << 16));
        volume_label_wndproc(static_cast<QWidget*>(watched), dezu::ui::WM_MOUSEWHEEL, wparam, 0);
        event->accept();
        return true;
    }
};

int width_for_level(int level) {
    return int(std::trunc(double(level) / kVolumeTop * kVolumeFullWidth));
}

int level_for_width(int width) {
    return int(std::trunc(double(width) / kVolumeFullWidth * kVolumeTop));
}

void set_fill_width(QLabel* fill, int width) {
    if (fill) fill->resize(width, fill->height());
}

// The fill follows the pointer up to its full width, so the level stays
// within 0..127 and the volume word within its bytes.
void set_level_from_pointer(QLabel* fill, int x) {
    if (!fill) return;
    set_fill_width(fill, std::clamp(x, 0, kVolumeFullWidth));
    g_volume_level = level_for_width(fill->width());
    apply_volume_level();
}

}  // namespace

void install_volume_procedure(QLabel* fill) {
    auto* procedure = new VolumeProcedure(fill);
    fill->installEventFilter(procedure);
    fill->setFocusPolicy(Qt::StrongFocus);
    g_volume_wndproc_thunk = reinterpret_cast<std::intptr_t>(procedure);
    // The label's own handling takes every other message.
    g_previous_label_wndproc = 0;
}

std::intptr_t volume_label_wndproc(QWidget* window, unsigned message, std::intptr_t wparam,
                                   std::intptr_t) {
    if (message != dezu::ui::WM_MOUSEWHEEL) return -1;
    if (std::int32_t(wparam) > 0)
        g_volume_level = g_volume_level + 5 < kVolumeTop ? g_volume_level + 5 : kVolumeTop;
    else
        g_volume_level = g_volume_level - 5 > 1 ? g_volume_level - 5 : 1;
    apply_volume_level();
    set_fill_width(qobject_cast<QLabel*>(window), width_for_level(g_volume_level));
    return 0;
}

std::uint32_t replicate_volume_byte(std::int16_t b) {
    const double word = double(b) * 16777216 + double(b) * 65536 + double(b) * 256 + b;
    return std::uint32_t(std::int64_t(std::trunc(word)));
}

void apply_volume_level() {
    const std::uint32_t word =
        replicate_volume_byte(std::int16_t(std::trunc(g_volume_level * 2.0)));
    dezu::media::set_wave_out_volume(word);
    dezu::media::set_midi_out_volume(word);
}

int hex_high_byte(std::uint32_t word) {
    // Eight digits: the first two are the word's top byte.
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", word);
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    return 16 * digit(hex[0]) + digit(hex[1]);
}

int read_wave_volume_percent() {
    const int b = hex_high_byte(dezu::media::wave_out_volume());
    return int(std::lround(b / 255.0 * 99));
}

void init_volume_from_system(QLabel* fill) {
    const int p = read_wave_volume_percent();
    set_fill_width(fill, int(std::lround(p / 99.0 * kVolumeFullWidth)));
    g_volume_level = level_for_width(fill ? fill->width() : 0);
}

void volume_fill_mouse_down() {
    g_volume_drag_active = true;
    g_seek_drag_active = false;
}

void volume_track_mouse_down() {
    g_volume_drag_active = true;
}

void volume_fill_mouse_move(QLabel* fill, int x) {
    if (g_volume_drag_active) set_level_from_pointer(fill, x);
}

void volume_track_mouse_move(QLabel* fill, int x) {
    volume_fill_mouse_move(fill, x);
}

void volume_fill_mouse_up(QLabel* fill, int x) {
    if (!g_volume_drag_active) return;
    g_volume_drag_active = false;
    set_level_from_pointer(fill, x);
}

void volume_track_mouse_up(QLabel* fill, int x) {
    volume_fill_mouse_up(fill, x);
}
