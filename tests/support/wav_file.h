#pragma once

#include <cmath>
#include <cstdint>
#include <string>

// A mono 16-bit 8 kHz WAV file of a quiet tone lasting the given time.
inline std::string wav_bytes(int milliseconds) {
    const std::uint32_t rate = 8000;
    const std::uint32_t samples = rate * std::uint32_t(milliseconds) / 1000;
    std::string out;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&](std::uint16_t v) {
        out += char(v & 0xFF);
        out += char(v >> 8);
    };
    out += "RIFF";
    u32(36 + samples * 2);
    out += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out += "data";
    u32(samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i)
        u16(std::uint16_t(std::int16_t(800 * std::sin(i * 0.3))));
    return out;
}
