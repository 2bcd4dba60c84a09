#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Plain file access on UTF-8 paths. None of these throw.
namespace dezu::files {

bool file_exists(const std::string& path);

// The file's bytes; empty when it is missing or unreadable.
std::string read_whole_file(const std::string& path);

// The file's bytes, the empty text for a missing file, and nothing when the
// file is there but cannot be read: a caller that rewrites the file whole
// must not replace what it could not read.
std::optional<std::string> read_file_unless_unreadable(const std::string& path);

// Creates or replaces the file with the given bytes. Returns false on failure.
bool write_bytes(const std::string& path, std::string_view bytes);

// Replaces the whole file so that a crash at any moment leaves either the old
// or the new content: the bytes go to a temporary file beside it, are flushed
// to disk, and the temporary file is renamed over the old one.
bool replace_file_atomically(const std::string& path, std::string_view bytes);

// The same for content made as it is written: write gets the temporary
// file's descriptor and answers whether all of it went there; false leaves
// the old file as it was.
bool replace_file_atomically_from(const std::string& path,
                                  const std::function<bool(int fd)>& write);

// The lines of a text file, decoded to UTF-8 (see text::decode_lines),
// without their line breaks ("\n" or "\r\n"). A missing file gives no lines;
// a last line without a break still counts.
std::vector<std::string> read_lines(const std::string& path);

// The same for a list of file paths: a line that reads both as GB18030 and as
// UTF-8 is taken in the reading that names an existing file.
std::vector<std::string> read_path_lines(const std::string& path);

// Writes lines as GB18030 text, each ended by "\r\n", replacing the file
// atomically. A file that was UTF-8 (see text::text_form) is written as UTF-8,
// with its byte-order mark if it had one.
bool write_lines(const std::string& path, const std::vector<std::string>& lines);

bool make_directory(const std::string& path);

}  // namespace dezu::files
