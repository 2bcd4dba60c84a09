#include "platform/settings/settings_file.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/files/files.h"
#include "platform/text/text.h"

namespace dezu::settings {
namespace {

// One line of the file, its bytes kept as they are so that a write leaves
// every line it does not touch unchanged.
struct Line {
    std::string bytes;    // without the line break
    std::string decoded;  // UTF-8
};

struct Profile {
    bool readable = true;
    bool bom = false;   // kept, as the editor that saved the file put it
    bool utf8 = false;  // a hand-made UTF-8 file stays UTF-8
    std::vector<Line> lines;
    std::string line_break = "\r\n";
    bool ends_with_break = true;
};

Profile load(const std::string& path) {
    Profile profile;
    const std::optional<std::string> content = files::read_file_unless_unreadable(path);
    profile.readable = content.has_value();
    const std::string_view whole = content ? std::string_view(*content) : std::string_view();
    const text::TextForm form = text::text_form(whole);
    const std::string_view bytes = text::skip_bom(whole);
    profile.bom = form.bom;
    profile.utf8 = form.encoding == text::Encoding::utf8 && (form.non_ascii || form.bom);
    if (bytes.find('\n') != std::string::npos && bytes.find("\r\n") == std::string::npos)
        profile.line_break = "\n";
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const bool has_break = end != std::string::npos;
        if (!has_break) end = bytes.size();
        std::string_view raw(bytes.data() + start, end - start);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        profile.lines.push_back({std::string(raw), text::line_readings(raw, form).front()});
        profile.ends_with_break = has_break;
        start = end + 1;
    }
    return profile;
}

// The section name of a "[name]" line.
std::optional<std::string_view> section_name(std::string_view line) {
    line = text::trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return text::trim(line.substr(1, close - 1));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> entry_of(std::string_view line) {
    const std::string_view trimmed = text::trim(line);
    if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view value = text::trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return Entry{text::trim(line.substr(0, eq)), value};
}

// Index of the section's header line, or -1.
long find_section(const Profile& profile, const std::string& section) {
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        auto name = section_name(profile.lines[i].decoded);
        if (name && text::equals_ignoring_case(*name, text::trim(section)))
            return static_cast<long>(i);
    }
    return -1;
}

}  // namespace

std::string read_setting(const std::string& path, const std::string& section,
                         const std::string& key, const std::optional<std::string>& default_value) {
    const Profile profile = load(path);
    const long header = find_section(profile, section);
    if (header >= 0) {
        for (std::size_t i = static_cast<std::size_t>(header) + 1; i < profile.lines.size(); ++i) {
            const std::string& line = profile.lines[i].decoded;
            if (section_name(line)) break;
            auto entry = entry_of(line);
            if (entry && text::equals_ignoring_case(entry->key, text::trim(key)))
                return std::string(entry->value);
        }
    }
    return default_value.value_or(std::string());
}

std::string setting_name_key(const std::string& name) {
    return text::ascii_lower(text::trim(name));
}

SettingsSnapshot read_all_settings(const std::string& path) {
    const Profile profile = load(path);
    SettingsSnapshot snapshot;
    snapshot.readable = profile.readable;
    // Only the first section of a name counts, and in it the first entry of a
    // key, as with read_setting.
    std::map<std::string, bool> sections_seen;
    std::optional<std::string> current;
    for (const Line& line : profile.lines) {
        if (auto name = section_name(line.decoded)) {
            std::string key = setting_name_key(std::string(*name));
            if (sections_seen.count(key)) {
                current.reset();
            } else {
                sections_seen[key] = true;
                current = std::move(key);
            }
            continue;
        }
        if (!current) continue;
        if (auto entry = entry_of(line.decoded))
            snapshot.values.emplace(
                std::make_pair(*current, setting_name_key(std::string(entry->key))),
                std::string(entry->value));
    }
    return snapshot;
}

bool write_setting(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) {
    Profile profile = load(path);
    if (!profile.readable) return false;  // rewriting it would lose what it holds
    auto encode = [&](const std::string& line) {
        return Line{profile.utf8 ? line : text::to_gbk(line), line};
    };
    // Blanks at either end, or quotes around the whole value, would be
    // stripped on reading: quote such a value so that it reads back as written.
    std::string stored = value;
    if (!value.empty() && (text::trim(value).size() != value.size() ||
                           (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                            value.back() == value.front())))
        stored = "\"" + value + "\"";
    const Line entry_line = encode(key + "=" + stored);
    long header = find_section(profile, section);
    if (header < 0) {
        profile.lines.push_back(encode("[" + section + "]"));
        profile.lines.push_back(entry_line);
    } else {
        // Replace the key where it stands, else add it after the section's
        // last entry so that blank lines between sections stay where they are.
        std::size_t insert_at = static_cast<std::size_t>(header) + 1;
        bool replaced = false;
        for (std::size_t i = insert_at; i < profile.lines.size(); ++i) {
            const std::string& line = profile.lines[i].decoded;
            if (section_name(line)) break;
            if (!text::trim(line).empty()) insert_at = i + 1;
            auto entry = entry_of(line);
            if (entry && text::equals_ignoring_case(entry->key, text::trim(key))) {
                profile.lines[i] = entry_line;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            profile.lines.insert(profile.lines.begin() + static_cast<long>(insert_at), entry_line);
    }
    std::string bytes = profile.bom ? "\xEF\xBB\xBF" : "";
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        bytes += profile.lines[i].bytes;
        bytes += profile.line_break;
    }
    return files::replace_file_atomically(path, bytes);
}

}  // namespace dezu::settings
