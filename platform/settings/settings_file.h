#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/files.h"

// INI files in the layout of the classic profile functions. Section and key
// names compare without regard to ASCII case, blanks around names and values
// are ignored, and a value wrapped in matching quotes reads without them.
// Files are GB18030 on disk; UTF-8 and UTF-16 files are read and keep their
// form. Values are UTF-8, or a path's own bytes.
namespace dezu::settings {

// The key's value; the default when the file, the section or the key is
// missing, or the empty text when no default is given. A key that is present
// with an empty value reads as the empty text.
std::string read_setting(const std::string& path, const std::string& section,
                         const std::string& key,
                         const std::optional<std::string>& default_value = std::nullopt);

// Every value of the file at once, as read_setting finds them: keyed by the
// section and key names, trimmed and in ASCII lower case.
struct SettingsSnapshot {
    bool readable = true;  // false: the file is there but cannot be read whole
    std::map<std::pair<std::string, std::string>, std::string> values;
    // A value's readings other than the one in `values`, where it has more:
    // for a path, one of them may be the one that names a file.
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> other_readings;
};
SettingsSnapshot read_all_settings(const std::string& path);

// The form of a section or key name in a snapshot.
std::string setting_name_key(const std::string& name);

// Writes the value, creating the file, the section and the key as needed.
// Every other line of the file stays byte for byte as it was, and the file is
// replaced atomically. When the file cannot be read whole or cannot be
// replaced, the old file is left as it was.
[[nodiscard]] files::RewriteResult write_setting(const std::string& path,
                                                 const std::string& section, const std::string& key,
                                                 const std::string& value);

// Yes/no rule: only the exact text "N" means no.
inline bool is_yes(const std::string& value) {
    return value != "N";
}

}  // namespace dezu::settings
