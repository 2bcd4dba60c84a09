#include "platform/files/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unordered_map>

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

// The file a path names, through a symbolic link; a link that names nothing
// is itself replaced.
std::string followed(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string target(real);
    std::free(real);
    return target;
}

// Creates a file of a name not yet taken beside the target. The name starts
// with the target's and is cut to fit: a name may be at most 255 bytes, and
// a target of that length is a name the user may well have.
int create_beside(const std::string& target, std::string& name) {
    thread_local std::mt19937 random{std::random_device{}()};
    const std::size_t slash = target.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    constexpr std::size_t kSuffix = 10;  // ".tmp" and six digits
    const std::string stem =
        target.substr(0, base + std::min<std::size_t>(target.size() - base, NAME_MAX - kSuffix));
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = stem + ".tmp" + std::to_string(100000 + random() % 900000);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Makes a rename in the folder durable.
void sync_folder_of(const std::string& path) {
    const std::string dir = fs::path(path).parent_path().string();
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

WriteResult write_whole_file(const std::string& path, const std::function<bool(int fd)>& fill) {
    const std::string target = followed(path);
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    std::string temporary;
    const int fd = create_beside(target, temporary);
    if (fd < 0) return {errno};
    int error = 0;
    const auto fail = [&error](int cause) {
        if (error == 0) error = cause != 0 ? cause : EIO;
    };
    // The old file's mode is kept where the file system has modes; where it
    // has none (FAT, some network shares) the call fails and the write goes on.
    if (replacing) (void)::fchmod(fd, old.st_mode & 07777);
    errno = 0;
    if (!fill(fd)) fail(errno != 0 ? errno : ECANCELED);
    if (error == 0 && ::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) fail(errno);
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) fail(errno);
    if (error != 0) {
        ::unlink(temporary.c_str());
        return {error};
    }
    sync_folder_of(target);
    return {};
}

WriteResult write_whole_file(const std::string& path, std::string_view bytes) {
    return write_whole_file(path, [bytes](int fd) { return write_all(fd, bytes); });
}

std::vector<std::string> read_lines(const std::string& path) {
    return text::decode_lines(read_whole_file(path));
}

std::vector<std::string> read_path_lines(const std::string& path) {
    return text::decode_lines(read_whole_file(path), file_exists);
}

RewriteResult not_rewritten(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(fs::u8path(path), ec)) return {false, EISDIR};
    return {true, 0};
}

RewriteResult write_lines(const std::string& path, const std::vector<std::string>& lines,
                          const RowOfLine& row_of) {
    const std::optional<std::string> old = read_file_unless_unreadable(path);
    if (!old) return not_rewritten(path);
    const text::TextLines before = text::split_lines(*old);
    if (before.form.damaged) return not_rewritten(path);
    // A row that is a reading of a line the file holds is written as that
    // line: a name keeps the bytes it came in.
    std::unordered_map<std::string, std::string_view> held;
    held.reserve(before.lines.size() * 2);
    for (const std::string& line : before.lines)
        for (std::string& reading : text::line_readings(line, before.form)) {
            if (row_of)
                if (std::optional<std::string> row = row_of(reading)) held.emplace(*row, line);
            held.emplace(std::move(reading), line);
        }
    text::TextForm form = before.form;
    std::vector<std::string> encoded;
    encoded.reserve(lines.size());
    for (const std::string& line : lines) {
        if (const auto it = held.find(line); it != held.end()) {
            encoded.emplace_back(it->second);
            continue;
        }
        std::optional<std::string> bytes = text::encode_line(line, form);
        if (!bytes) break;
        encoded.push_back(std::move(*bytes));
    }
    if (encoded.size() < lines.size()) {
        // UTF-16 cannot hold a name's own bytes: GB18030 holds them all.
        form = text::TextForm{};
        encoded.clear();
        for (const std::string& line : lines) encoded.push_back(text::to_gbk(line));
    }
    return {false,
            write_whole_file(path, text::encode_text(encoded, form, before.line_break)).error};
}

std::string user_data_dir() {
    // A relative value is to be ignored, as the base directory rules say.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return data;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share";
    return {};
}

bool make_directory(const std::string& path) {
    std::error_code ec;
    fs::create_directories(fs::u8path(path), ec);
    return fs::is_directory(fs::u8path(path), ec);
}

}  // namespace dezu::files
