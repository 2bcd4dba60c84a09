#include "platform/files/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/text/text.h"

namespace dezu::files {
namespace fs = std::filesystem;

bool file_exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(fs::u8path(path), ec);
}

std::optional<std::string> read_file_unless_unreadable(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::u8path(path);
    const auto status = fs::status(p, ec);
    if (status.type() == fs::file_type::not_found) return std::string();
    if (ec || status.type() == fs::file_type::directory) return std::nullopt;
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    // A block at a time: a character at a time costs more than the reading.
    std::string bytes;
    if (status.type() == fs::file_type::regular) {
        const std::uintmax_t size = fs::file_size(p, ec);
        if (!ec && size <= bytes.max_size()) bytes.reserve(static_cast<std::size_t>(size));
    }
    char block[64 * 1024];
    while (in.read(block, sizeof block) || in.gcount() > 0)
        bytes.append(block, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return std::nullopt;
    return bytes;
}

std::string read_whole_file(const std::string& path) {
    return read_file_unless_unreadable(path).value_or(std::string());
}

namespace {

bool write_all(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool write_bytes(const std::string& path, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes);
    ok = (::close(fd) == 0) && ok;
    return ok;
}

bool replace_file_atomically(const std::string& path, std::string_view bytes) {
    static std::mt19937 random{std::random_device{}()};
    const std::string temp = path + ".tmp" + std::to_string(random() % 1000000);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const std::string dir = fs::u8path(path).parent_path().string();
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

std::vector<std::string> read_lines(const std::string& path) {
    return text::decode_lines(read_whole_file(path));
}

std::vector<std::string> read_path_lines(const std::string& path) {
    return text::decode_lines(read_whole_file(path), file_exists);
}

bool write_lines(const std::string& path, const std::vector<std::string>& lines) {
    // A list an editor saved as UTF-8 stays UTF-8, its byte-order mark kept.
    const text::TextForm form = text::text_form(read_whole_file(path));
    const bool utf8 = form.encoding == text::Encoding::utf8 && (form.non_ascii || form.bom);
    std::string bytes = form.bom ? "\xEF\xBB\xBF" : "";
    for (const auto& line : lines) {
        bytes += utf8 ? line : text::to_gbk(line);
        bytes += "\r\n";
    }
    return replace_file_atomically(path, bytes);
}

bool make_directory(const std::string& path) {
    std::error_code ec;
    fs::create_directories(fs::u8path(path), ec);
    return fs::is_directory(fs::u8path(path), ec);
}

}  // namespace dezu::files
