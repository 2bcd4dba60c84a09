#pragma once

#include <QPoint>
#include <QSize>
#include <array>
#include <string>

namespace dezu::clock {

// The clock's built-in looks, in menu order: the caption is the menu text
// and the value stored in clock.ini.

struct DigitStyle {
    const char* caption;
    const char* asset;  // the image-list strip in assets/files
};

struct BackgroundSkin {
    const char* caption;
    const char* asset;  // the 8-bit BMP in assets/files
    QSize window;       // the window's size once applied
    QPoint panel;       // where the digit panel goes
};

inline constexpr std::array<DigitStyle, 8> kDigitStyles = {{
    {"粉红", "digits_pink.mitl"},
    {"黑绿", "digits_black_green.mitl"},
    {"黄白", "digits_yellow_white.mitl"},
    {"灰色", "digits_grey.mitl"},
    {"桔黄", "digits_orange.mitl"},
    {"蓝绿", "digits_blue_green.mitl"},
    {"浅兰", "digits_light_blue.mitl"},
    {"液晶", "digits_lcd.mitl"},
}};

inline constexpr std::array<BackgroundSkin, 6> kBackgroundSkins = {{
    {"巴比豆", "skin_bean.bmp", {120, 144}, {5, 114}},
    {"米老鼠", "skin_mouse.bmp", {129, 139}, {6, 7}},
    {"史努比", "skin_dog.bmp", {120, 140}, {5, 5}},
    {"小女孩", "skin_girl.bmp", {153, 98}, {6, 68}},
    {"鱼骨头", "skin_fish_bone.bmp", {140, 98}, {15, 58}},
    // The frame picture is 112 x 27; the window stays a pixel smaller.
    {"无背景", "skin_none.bmp", {111, 26}, {1, 1}},
}};

inline constexpr const char* kDefaultSkin = "米老鼠";
inline constexpr const char* kDefaultDigitStyle = "浅兰";

// The style or skin of that caption (byte for byte), or nullptr.
const DigitStyle* find_digit_style(const std::string& caption);
const BackgroundSkin* find_background_skin(const std::string& caption);

// The built-in chime: a whole 8-bit mono WAV file.
std::string default_chime_sound();

}  // namespace dezu::clock
