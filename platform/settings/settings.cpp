#include "platform/settings/settings.h"

#include <sys/stat.h>

#include "platform/files/files.h"
#include "platform/text/text.h"

namespace dezu::settings {

Settings::Settings(std::string path, QObject* parent) : QObject(parent), path_(std::move(path)) {}

bool Settings::FileState::operator==(const FileState& other) const {
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
}

Settings::FileState Settings::state_of(const std::string& path) {
    FileState state;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return state;
    state.exists = true;
    state.device = info.st_dev;
    state.inode = info.st_ino;
    state.size = info.st_size;
    state.modified = info.st_mtim;
    return state;
}

void Settings::refresh() const {
    // A hand edit, or another program, may have changed the file since.
    const FileState now = state_of(path_);
    if (loaded_ && now == state_) return;
    snapshot_ = read_all_settings(path_);
    state_ = now;
    loaded_ = true;
}

std::string Settings::stored(const char* section, const char* name, const char* fallback) const {
    refresh();
    const auto it = snapshot_.values.find({setting_name_key(section), setting_name_key(name)});
    if (it != snapshot_.values.end()) return it->second;
    return fallback ? fallback : std::string();
}

std::string Settings::path(const PathKey& key) const {
    std::string value = stored(key.section, key.name, key.fallback);
    const auto others =
        snapshot_.other_readings.find({setting_name_key(key.section), setting_name_key(key.name)});
    if (others == snapshot_.other_readings.end() || files::file_exists(value)) return value;
    for (const std::string& reading : others->second)
        if (files::file_exists(reading)) return reading;
    return value;
}

double Settings::number(const NumberKey& key) const {
    return text::numeric_value(stored(key.section, key.name, key.fallback));
}

std::int32_t Settings::whole(const NumberKey& key) const {
    return text::truncate_toward_zero(number(key));
}

bool Settings::store(const char* section, const char* name, const std::string& value) {
    if (const files::RewriteResult written = write_setting(path_, section, name, value); !written) {
        emit write_failed(QString::fromStdString(path_), written.unreadable);
        return false;
    }
    loaded_ = false;
    emit changed(QString::fromUtf8(section), QString::fromUtf8(name));
    return true;
}

}  // namespace dezu::settings
