#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <string>

#include "assets/assets.h"
#include "clock/clock_styles.h"
#include "clock/digit_strip.h"

using dezu::clock::default_chime_sound;
using dezu::clock::image_from_strip;
using dezu::clock::kDigitStyles;

namespace {

std::uint32_t u32(const std::string& b, std::size_t at) {
    return std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8 | std::uint8_t(b[at + 2]) << 16 |
           std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}
std::uint16_t u16(const std::string& b, std::size_t at) {
    return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

QImage decode(const std::string& bytes) {
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()));
}

}  // namespace

TEST(ClockArtwork, EveryFileHasItsExactSize) {
    const struct {
        const char* name;
        std::size_t size;
    } files[] = {
        {"digits_pink.mitl", 24974},
        {"digits_black_green.mitl", 24974},
        {"digits_yellow_white.mitl", 24974},
        {"digits_grey.mitl", 24974},
        {"digits_orange.mitl", 24974},
        {"digits_blue_green.mitl", 24974},
        {"digits_light_blue.mitl", 24974},
        {"digits_lcd.mitl", 24952},
        {"skin_bean.bmp", 18358},
        {"skin_mouse.bmp", 19426},
        {"skin_dog.bmp", 17878},
        {"skin_girl.bmp", 16366},
        {"skin_fish_bone.bmp", 14798},
        {"skin_none.bmp", 4102},
        {"clock.ico", 23470},
        {"chime.wav", 10026},
    };
    for (const auto& f : files)
        EXPECT_EQ(dezu::assets::asset_bytes(f.name).size(), f.size) << f.name;
}

TEST(ClockArtwork, StripsCarryTheImageListHeader) {
    for (const auto& style : kDigitStyles) {
        SCOPED_TRACE(style.caption);
        const std::string s = dezu::assets::asset_bytes(style.asset);
        ASSERT_GE(s.size(), 24952u);
        const bool lcd = std::string(style.caption) == "液晶";
        EXPECT_EQ(s.substr(0, 4), "MITL");
        EXPECT_EQ(u32(s, 4), 0xFF000000u);
        EXPECT_EQ(s.substr(8, 2), "IL");
        EXPECT_EQ(u16(s, 10), 0x0101);
        EXPECT_EQ(u16(s, 12), 11);
        EXPECT_EQ(u16(s, 14), lcd ? 16 : 14);
        EXPECT_EQ(u16(s, 16), 4);
        EXPECT_EQ(u16(s, 18), 15);
        EXPECT_EQ(u16(s, 20), 25);
        EXPECT_EQ(u32(s, 22), 0x00FFFFFFu);
        EXPECT_EQ(u16(s, 26), lcd ? 0x0021 : 0x1021);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(u16(s, 28 + 2 * i), 0xFFFF);
        EXPECT_EQ(s.substr(36, 2), "BM");
        EXPECT_EQ(u32(s, 38), 54u);
        EXPECT_EQ(u32(s, 46), 54u);
        EXPECT_EQ(u32(s, 54), 60u);
        EXPECT_EQ(u32(s, 58), 100u);
        EXPECT_EQ(u16(s, 64), 32);
        EXPECT_EQ(u32(s, 70), 24000u);
        EXPECT_EQ(s.substr(24090, 2), "BM");
        EXPECT_EQ(u32(s, 24092), 62u);
        EXPECT_EQ(u32(s, 24100), 62u);
        EXPECT_EQ(u16(s, 24118), 1);
        EXPECT_EQ(u32(s, 24124), 800u);
        EXPECT_EQ(u32(s, 24144), 0u);
        EXPECT_EQ(u32(s, 24148), 0x00FFFFFFu);
        for (std::size_t i = 93; i < 24090; i += 4) ASSERT_EQ(s[i], '\0') << "pixel byte " << i;
        if (lcd) {
            EXPECT_EQ(s.substr(24152, 800), std::string(800, '\0'));
        } else {
            EXPECT_EQ(s.substr(24952), std::string(22, '\0'));
        }
    }
}

TEST(ClockArtwork, StripsDecodeIntoElevenMaskedPictures) {
    for (const auto& style : kDigitStyles) {
        SCOPED_TRACE(style.caption);
        const std::string strip = dezu::assets::asset_bytes(style.asset);
        const bool lcd = std::string(style.caption) == "液晶";
        for (int n = 0; n <= 10; ++n) {
            const QImage image = decode(image_from_strip(strip, n));
            ASSERT_EQ(image.size(), QSize(15, 25)) << n;
            int opaque = 0, transparent = 0;
            for (int y = 0; y < 25; ++y)
                for (int x = 0; x < 15; ++x) {
                    const QRgb c = image.pixel(x, y);
                    const bool white = (c & 0xFFFFFF) == 0xFFFFFF;
                    if (qAlpha(c) == 0) {
                        ++transparent;
                        EXPECT_TRUE(white);
                    } else {
                        ++opaque;
                        // Outside the LCD style, white is never shown.
                        EXPECT_TRUE(lcd || !white) << x << "," << y;
                    }
                }
            EXPECT_GT(opaque, n == 10 ? 8 : 40) << n;
            EXPECT_EQ(transparent == 0, lcd) << n;
        }
        EXPECT_TRUE(image_from_strip(strip, 11).empty());
        EXPECT_TRUE(image_from_strip(strip, -1).empty());
        // Different digits are different pictures.
        EXPECT_NE(image_from_strip(strip, 1), image_from_strip(strip, 7));
    }
}

TEST(ClockArtwork, DamagedStripsGiveEmptyPictures) {
    const std::string good = dezu::assets::asset_bytes("digits_pink.mitl");
    ASSERT_FALSE(image_from_strip(good, 10).empty());
    // A strip cut anywhere before the end of its mask gives nothing at all.
    for (std::size_t len : {0, 3, 8, 30, 36, 60, 89, 90, 1000, 24089, 24090, 24151, 24951}) {
        EXPECT_TRUE(image_from_strip(good.substr(0, len), 0).empty()) << len;
        EXPECT_TRUE(image_from_strip(good.substr(0, len), 10).empty()) << len;
    }
    auto patched = [&](std::size_t at, const std::string& bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    const struct {
        const char* what;
        std::string strip;
    } cases[] = {
        {"tag", patched(0, "MITX")},
        {"image-list magic", patched(8, "LI")},
        {"image count 0", patched(12, std::string("\0\0", 2))},
        {"zero width", patched(18, std::string("\0\0", 2))},
        {"image taller than the bitmap", patched(20, std::string("\xFF\x00", 2))},
        {"bitmap magic", patched(36, "XX")},
        {"bitmap width huge", patched(54, std::string("\xFF\xFF\xFF\x7F", 4))},
        {"bitmap height negative huge", patched(58, std::string("\x00\x00\x00\x80", 4))},
        {"bitmap 8 bits", patched(64, std::string("\x08\x00", 2))},
        {"compressed bitmap", patched(66, std::string("\x01\x00\x00\x00", 4))},
        {"info header too long", patched(50, std::string("\xFF\xFF\x00\x00", 4))},
        {"mask magic", patched(24090, "XX")},
        {"mask of another size", patched(24108, std::string("\x3D\x00\x00\x00", 4))},
        {"mask of 32 bits", patched(24118, std::string("\x20\x00", 2))},
    };
    for (const auto& c : cases)
        for (int n : {0, 5, 10})
            EXPECT_TRUE(image_from_strip(c.strip, n).empty()) << c.what << " " << n;
}

TEST(ClockArtwork, SkinsAreFiguresOnWhiteAroundABlackDigitArea) {
    const struct {
        const char* asset;
        QSize size;
        QPoint black;
    } skins[] = {
        {"skin_bean.bmp", {120, 144}, {5, 113}},     {"skin_mouse.bmp", {129, 139}, {6, 6}},
        {"skin_dog.bmp", {120, 140}, {5, 5}},        {"skin_girl.bmp", {153, 98}, {6, 67}},
        {"skin_fish_bone.bmp", {140, 98}, {15, 58}}, {"skin_none.bmp", {112, 27}, {1, 1}},
    };
    for (const auto& s : skins) {
        SCOPED_TRACE(s.asset);
        const std::string bytes = dezu::assets::asset_bytes(s.asset);
        ASSERT_GT(bytes.size(), 1078u);
        EXPECT_EQ(u32(bytes, 10), 1078u);
        EXPECT_EQ(u32(bytes, 14), 40u);
        EXPECT_EQ(u16(bytes, 28), 8);
        EXPECT_EQ(u32(bytes, 30), 0u);
        EXPECT_GT(std::int32_t(u32(bytes, 22)), 0);  // bottom-up
        const QImage image = decode(bytes);
        ASSERT_EQ(image.size(), s.size);
        int white = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const bool in_black = QRect(s.black, QSize(110, 25)).contains(x, y);
                if (in_black) {
                    ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, 0u) << x << "," << y;
                }
                if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) ++white;
            }
        if (std::string(s.asset) == "skin_none.bmp") {
            EXPECT_EQ(white, 0);
            EXPECT_NE(image.pixel(0, 0) & 0xFFFFFF, 0u);  // a visible frame
        } else {
            // The corners are outside every figure.
            for (QPoint corner : {QPoint(0, 0), QPoint(s.size.width() - 1, s.size.height() - 1)})
                if (!QRect(s.black, QSize(110, 25)).adjusted(-6, -6, 6, 6).contains(corner)) {
                    EXPECT_EQ(image.pixel(corner) & 0xFFFFFF, 0xFFFFFFu);
                }
            EXPECT_GT(white, s.size.width() * 2);
        }
    }
}

TEST(ClockArtwork, IconHoldsThreeTrueColourImages) {
    const std::string ico = dezu::assets::asset_bytes("clock.ico");
    ASSERT_GE(ico.size(), 54u);
    EXPECT_EQ(u16(ico, 2), 1);
    ASSERT_EQ(u16(ico, 4), 3);
    const int sizes[] = {32, 48, 64};
    for (int i = 0; i < 3; ++i) {
        const std::size_t entry = 6 + 16 * std::size_t(i);
        EXPECT_EQ(std::uint8_t(ico[entry]), sizes[i]);
        EXPECT_EQ(u16(ico, entry + 6), 24);
        const std::size_t dib = u32(ico, entry + 12);
        ASSERT_LT(dib + 16, ico.size());
        EXPECT_EQ(u32(ico, dib + 4), std::uint32_t(sizes[i]));
        EXPECT_EQ(u16(ico, dib + 14), 24);
    }
}

TEST(ClockArtwork, ChimeIsAnEightBitMonoWave) {
    const std::string w = default_chime_sound();
    ASSERT_EQ(w.size(), 10026u);
    EXPECT_EQ(w.substr(0, 4), "RIFF");
    EXPECT_EQ(u32(w, 4), 10018u);
    EXPECT_EQ(w.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32(w, 16), 16u);
    EXPECT_EQ(u16(w, 20), 1);
    EXPECT_EQ(u16(w, 22), 1);
    EXPECT_EQ(u32(w, 24), 11025u);
    EXPECT_EQ(u32(w, 28), 11025u);
    EXPECT_EQ(u16(w, 32), 1);
    EXPECT_EQ(u16(w, 34), 8);
    EXPECT_EQ(w.substr(36, 4), "data");
    EXPECT_EQ(u32(w, 40), 9981u);
    EXPECT_EQ(w.back(), '\0');
    // It is a sound: loud near the start, silent at the end.
    int peak = 0;
    for (std::size_t i = 44; i < 44 + 2000; ++i)
        peak = std::max(peak, std::abs(std::uint8_t(w[i]) - 128));
    EXPECT_GT(peak, 40);
    EXPECT_LE(std::abs(std::uint8_t(w[44 + 9980]) - 128), 1);
}
