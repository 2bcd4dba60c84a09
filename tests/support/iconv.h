#pragma once

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <string>
#include <vector>

// Bytes converted by the C library's iconv, the converter behind the iconv
// command, as other programs make text in other encodings:
// iconv_text("海", "UTF-8", "GBK"). "UTF-16" puts a byte-order mark in front
// (little-endian here), as Windows editors save "Unicode". No process is
// started, so the tests that use it also run under ThreadSanitizer.
inline std::string iconv_text(const std::string& bytes, const char* from, const char* to) {
    const iconv_t converter = ::iconv_open(to, from);
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1)) << from << " -> " << to;
    if (converter == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in = bytes, out(bytes.size() * 4 + 16, '\0');
    char* source = in.data();
    char* target = out.data();
    std::size_t source_left = in.size(), target_left = out.size();
    const std::size_t done = ::iconv(converter, &source, &source_left, &target, &target_left);
    EXPECT_NE(done, static_cast<std::size_t>(-1)) << from << " -> " << to << ": errno " << errno;
    ::iconv(converter, nullptr, nullptr, &target, &target_left);
    ::iconv_close(converter);
    out.resize(out.size() - target_left);
    return out;
}

// UTF-8 text in GBK bytes, as Chinese Windows names files and writes lists.
inline std::string gbk(const std::string& utf8) {
    return iconv_text(utf8, "UTF-8", "GBK");
}

// A file's name and how a list line names it.
struct ListedName {
    const char* what;
    std::string on_disk;
    std::string listed;
};

// The forms in which lists name files, each name ending in the extension: a
// name's own bytes (what a Chinese archive unpacks to), the GBK of a UTF-8
// name (a list from Windows), and UTF-8; the GBK of the first two reads as
// UTF-8 too.
inline std::vector<ListedName> listed_name_forms(const std::string& extension) {
    return {
        {"GBK name, listed by its bytes", gbk("海" + extension), gbk("海" + extension)},
        {"GBK name that is UTF-8 too, listed by its bytes", gbk("中文" + extension),
         gbk("中文" + extension)},
        {"UTF-8 name, listed in GBK", "海" + extension, gbk("海" + extension)},
        {"UTF-8 name, listed in GBK that is UTF-8 too", "中文" + extension,
         gbk("中文" + extension)},
        {"UTF-8 name, listed in UTF-8", "春天" + extension, "春天" + extension},
    };
}

// UTF-8 text as UTF-16 with its byte-order mark, little- or big-endian.
inline std::string utf16(const std::string& utf8, bool big_endian = false) {
    return iconv_text("\xEF\xBB\xBF" + utf8, "UTF-8", big_endian ? "UTF-16BE" : "UTF-16LE");
}
