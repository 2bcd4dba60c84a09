#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Plain file access on paths given by their bytes. None of these throw.
namespace dezu::files {

bool file_exists(const std::string& path);

// The file's bytes; empty when it is missing or unreadable.
std::string read_whole_file(const std::string& path);

// The file's bytes, the empty text for a missing file, and nothing when the
// file is there but cannot be read: a caller that rewrites the file whole
// must not replace what it could not read.
[[nodiscard]] std::optional<std::string> read_file_unless_unreadable(const std::string& path);

// How a whole-file write went.
struct WriteResult {
    int error = 0;  // errno of the step that failed; 0: the file holds the new content
    explicit operator bool() const { return error == 0; }
};

// Writes a file whole, so that a crash at any moment leaves either the old
// content or the new: the content goes to a new file beside it, is flushed to
// disk, and is renamed over the old one, whose permissions it keeps (a new
// file gets 0666 less the umask). A symbolic link is followed, so the file it
// names is the one replaced.
[[nodiscard]] WriteResult write_whole_file(const std::string& path, std::string_view bytes);

// The same for content made while it is written: `fill` writes it to the
// open file and returns false to give up, which leaves the old file as it was.
[[nodiscard]] WriteResult write_whole_file(const std::string& path,
                                           const std::function<bool(int fd)>& fill);

// The lines of a text file, decoded to UTF-8 (see text::decode_lines),
// without their line breaks ("\n" or "\r\n"). A missing file gives no lines;
// a last line without a break still counts.
std::vector<std::string> read_lines(const std::string& path);

// The same for a list of file paths: each line is taken in the reading that
// names an existing file, its own bytes among them.
std::vector<std::string> read_path_lines(const std::string& path);

// How a rewrite of a text file from what it held went.
struct RewriteResult {
    // The file is there but could not be read whole (no permission, or
    // UTF-16 that does not decode), so it was left as it is: rewriting it
    // would lose what could not be read.
    bool unreadable = false;
    int error = 0;  // errno of a write that failed
    explicit operator bool() const { return !unreadable && error == 0; }
};

// The result for a file that could not be read whole, so was not rewritten.
// A folder in the file's place is no such file: that write fails (EISDIR).
RewriteResult not_rewritten(const std::string& path);

// What a line of a list file stands for as a row, when that is not the line's
// own text (an address standing for the path it names); nothing otherwise.
using RowOfLine = std::function<std::optional<std::string>(const std::string& line)>;

// Writes lines, replacing the file whole. The file keeps its form: GB18030
// (the program's own), UTF-8 with or without its mark, or UTF-16 with its
// mark, and its line break ("\r\n" unless it has only bare "\n"). A line the
// file already holds, or a row such a line stands for by `row_of`, is written
// back as the very bytes it stands in. A UTF-16 file that must hold a name
// that is neither UTF-8 nor GB18030 becomes GB18030 whole.
[[nodiscard]] RewriteResult write_lines(const std::string& path,
                                        const std::vector<std::string>& lines,
                                        const RowOfLine& row_of = nullptr);

// The user's data folder by its bytes: $XDG_DATA_HOME, else ~/.local/share;
// empty when neither can be told. It lasts across sessions, unlike the
// runtime folder.
std::string user_data_dir();

// True when the folder is there afterwards, made now or before.
[[nodiscard]] bool make_directory(const std::string& path);

}  // namespace dezu::files
