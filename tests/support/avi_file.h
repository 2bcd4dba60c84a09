#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An AVI file with a video track (raw 16 x 16 RGB pictures, 10 a second) and
// a sound track (silent 8 kHz 16-bit mono PCM), lasting the given tenths of
// a second.
inline std::string avi_bytes(int tenths) {
    const std::uint32_t w = 16, h = 16, frame = w * h * 3, sound = 1600;
    auto u32 = [](std::uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i) s[std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
        return s;
    };
    auto u16 = [](std::uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; };
    auto chunk = [&](const std::string& id, const std::string& body) {
        return id + u32(std::uint32_t(body.size())) + body + (body.size() % 2 ? "\0" : "");
    };
    auto list = [&](const std::string& type, const std::string& body) {
        return chunk("LIST", type + body);
    };
    const std::uint32_t n = std::uint32_t(tenths);
    const std::string avih = u32(100000) + u32(frame * 10 + 16000) + u32(0) + u32(0x10) + u32(n) +
                             u32(0) + u32(2) + u32(frame) + u32(w) + u32(h) + std::string(16, '\0');
    auto strh = [&](const std::string& type, const std::string& handler, std::uint32_t scale,
                    std::uint32_t rate, std::uint32_t length, std::uint32_t buffer,
                    std::uint32_t sample_size) {
        return chunk("strh", type + handler + u32(0) + u32(0) + u32(0) + u32(scale) + u32(rate) +
                                 u32(0) + u32(length) + u32(buffer) + u32(0xFFFFFFFFu) +
                                 u32(sample_size) + u16(0) + u16(0) + u16(std::uint16_t(w)) +
                                 u16(std::uint16_t(h)));
    };
    const std::string video =
        list("strl", strh("vids", "DIB ", 1, 10, n, frame, 0) +
                         chunk("strf", u32(40) + u32(w) + u32(h) + u16(1) + u16(24) + u32(0) +
                                           u32(frame) + std::string(16, '\0')));
    const std::string audio = list(
        "strl", strh("auds", std::string(4, '\0'), 2, 16000, n * sound / 2, sound, 2) +
                    chunk("strf", u16(1) + u16(1) + u32(8000) + u32(16000) + u16(2) + u16(16)));
    std::string movi, index;
    std::uint32_t offset = 4;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::string picture(frame, char(i * 20));
        index += "00db" + u32(0x10) + u32(offset) + u32(frame);
        movi += chunk("00db", picture);
        offset += 8 + frame;
        index += "01wb" + u32(0x10) + u32(offset) + u32(sound);
        movi += chunk("01wb", std::string(sound, '\0'));
        offset += 8 + sound;
    }
    const std::string body = list("hdrl", chunk("avih", avih) + video + audio) +
                             list("movi", movi) + chunk("idx1", index);
    return "RIFF" + u32(std::uint32_t(4 + body.size())) + "AVI " + body;
}
