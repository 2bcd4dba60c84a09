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
    std::string bytes;    // as the file holds it (UTF-16 as UTF-8), without the break
    std::string decoded;  // UTF-8
};

struct Profile {
    bool readable = true;
    text::TextForm form;  // kept, as the editor that saved the file chose it
    std::vector<Line> lines;
    std::string line_break = "\r\n";
};

Profile load(const std::string& path) {
    Profile profile;
    const std::optional<std::string> content = files::read_file_unless_unreadable(path);
    // A text that does not decode whole is read as far as it goes, but
    // rewriting it would lose the rest.
    text::TextLines split = text::split_lines(content ? std::string_view(*content) : "");
    profile.readable = content.has_value() && !split.form.damaged;
    profile.form = split.form;
    profile.line_break = std::move(split.line_break);
    profile.lines.reserve(split.lines.size());
    for (std::string& raw : split.lines) {
        std::string decoded = text::line_readings(raw, profile.form).front();
        profile.lines.push_back({std::move(raw), std::move(decoded)});
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
        const std::optional<Entry> entry = entry_of(line.decoded);
        if (!entry) continue;
        auto name = std::make_pair(*current, setting_name_key(std::string(entry->key)));
        if (snapshot.values.count(name)) continue;
        // "=", blanks and quotes are never part of a multi-byte character, so
        // the value's own bytes are found the same way and read apart.
        const std::optional<Entry> raw = entry_of(line.bytes);
        std::vector<std::string> others;
        if (raw)
            for (std::string& reading : text::line_readings(raw->value, profile.form))
                if (reading != entry->value) others.push_back(std::move(reading));
        if (!others.empty()) snapshot.other_readings.emplace(name, std::move(others));
        snapshot.values.emplace(std::move(name), std::string(entry->value));
    }
    return snapshot;
}

files::RewriteResult write_setting(const std::string& path, const std::string& section,
                                   const std::string& key, const std::string& value) {
    Profile profile = load(path);
    // Rewriting it would lose what it holds.
    if (!profile.readable) return files::not_rewritten(path);
    // Blanks at either end, or quotes around the whole value, would be
    // stripped on reading: quote such a value so that it reads back as written.
    const bool quoted =
        !value.empty() && (text::trim(value).size() != value.size() ||
                           (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                            value.back() == value.front()));
    const std::string quote = quoted ? "\"" : "";
    // A value may be a path in its own bytes, so it is encoded apart from its key.
    auto encode_entry = [&] {
        const std::optional<std::string> head = text::encode_line(key + "=" + quote, profile.form);
        const std::optional<std::string> body = text::encode_line(value, profile.form);
        if (!head || !body) return std::optional<Line>();
        return std::optional<Line>(Line{*head + *body + quote, key + "=" + quote + value + quote});
    };
    std::optional<Line> entry = encode_entry();
    if (!entry) {
        // UTF-16 cannot hold the value's bytes: GB18030 holds them all.
        for (Line& line : profile.lines) line.bytes = text::to_gbk(line.bytes);
        profile.form = text::TextForm{};
        entry = encode_entry();
    }
    const Line entry_line = *std::move(entry);
    long header = find_section(profile, section);
    if (header < 0) {
        const std::string header_line = "[" + section + "]";
        profile.lines.push_back({*text::encode_line(header_line, profile.form), header_line});
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
    std::vector<std::string> lines;
    lines.reserve(profile.lines.size());
    for (Line& line : profile.lines) lines.push_back(std::move(line.bytes));
    return {false, files::write_whole_file(
                       path, text::encode_text(lines, profile.form, profile.line_break))
                       .error};
}

}  // namespace dezu::settings
