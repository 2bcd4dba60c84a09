#pragma once

#include <sys/types.h>

#include <QObject>
#include <cstdint>
#include <ctime>
#include <string>

#include "platform/settings/settings_file.h"

// The program's settings file read and written through typed keys. Each key
// is declared once (settings_keys.h) with its section, its kind and the text
// a missing key reads as. Values are cached and re-read when the file changes
// on disk; a write keeps every other byte of the file.
namespace dezu::settings {

enum class Kind { YesNo, Number, Text, Path };

template <Kind K>
struct TypedKey {
    const char* section;
    const char* name;
    const char* fallback = nullptr;  // what a missing key reads as; none: ""
};

// Only the exact text "N" means no; a missing key means yes.
using YesNoKey = TypedKey<Kind::YesNo>;
// The numeric value of the text; "" and a missing key without fallback give 0.
using NumberKey = TypedKey<Kind::Number>;
using TextKey = TypedKey<Kind::Text>;
// A file's path: read in the reading that names an existing file, so that a
// name in its own bytes (not UTF-8) is found again.
using PathKey = TypedKey<Kind::Path>;

class Settings : public QObject {
    Q_OBJECT
public:
    explicit Settings(std::string path, QObject* parent = nullptr);

    const std::string& path() const { return path_; }

    bool yes(const YesNoKey& key) const {
        return is_yes(stored(key.section, key.name, key.fallback));
    }
    double number(const NumberKey& key) const;
    std::int32_t whole(const NumberKey& key) const;  // truncated toward zero
    std::string text(const TextKey& key) const {
        return stored(key.section, key.name, key.fallback);
    }
    std::string path(const PathKey& key) const;

    // False when the file could not be written; the old value stays, and
    // write_failed tells whoever reports it.
    [[nodiscard]] bool set(const YesNoKey& key, bool yes) {
        return store(key.section, key.name, yes ? "Y" : "N");
    }
    [[nodiscard]] bool set(const NumberKey& key, std::int32_t value) {
        return store(key.section, key.name, std::to_string(value));
    }
    [[nodiscard]] bool set(const TextKey& key, const std::string& value) {
        return store(key.section, key.name, value);
    }
    [[nodiscard]] bool set(const PathKey& key, const std::string& value) {
        return store(key.section, key.name, value);
    }

signals:
    // A value was written (by this program).
    void changed(const QString& section, const QString& key);
    // A write failed: the file could not be read whole (unreadable, and then
    // left as it is), or is read-only, or the disk is full.
    void write_failed(const QString& path, bool unreadable);

private:
    std::string stored(const char* section, const char* name, const char* fallback) const;
    [[nodiscard]] bool store(const char* section, const char* name, const std::string& value);
    void refresh() const;

    struct FileState {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const FileState& other) const;
    };
    static FileState state_of(const std::string& path);

    std::string path_;
    mutable bool loaded_ = false;
    mutable FileState state_;
    mutable SettingsSnapshot snapshot_;
};

}  // namespace dezu::settings
