#pragma once

#include <sys/stat.h>

#include <QByteArray>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files/files.h"

// The user's wastebasket as the desktop's file managers see it: the test
// program's own data folder (tests/support/test_main.cpp), Trash/files with
// a Trash/info record for each file.
class Wastebasket {
public:
    static std::string dir() {
        const char* data = std::getenv("XDG_DATA_HOME");
        return std::string(data ? data : "") + "/Trash";
    }

    // Why a file in that folder would go elsewhere, or empty: a file goes to
    // this wastebasket only when it is on the home folder's disk.
    static std::string unusable_for(const std::string& folder) {
        struct stat home {
        }, here{}, data{};
        const char* home_dir = std::getenv("HOME");
        const char* data_dir = std::getenv("XDG_DATA_HOME");
        if (!home_dir || ::stat(home_dir, &home) != 0) return "no home folder";
        if (!data_dir || ::stat(data_dir, &data) != 0 || ::stat(folder.c_str(), &here) != 0)
            return "no temporary folder";
        if (here.st_dev != home.st_dev || data.st_dev != home.st_dev)
            return "the temporary folder is not on the home folder's disk";
        return {};
    }

    // The names in Trash/files whose record says they came from the path.
    static std::vector<std::string> names_from(const std::string& original) {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir() + "/info", ec)) {
            const std::string record = dezu::files::read_whole_file(entry.path().string());
            const std::string::size_type at = record.find("\nPath=");
            if (at == std::string::npos) continue;
            const std::string::size_type end = record.find('\n', at + 1);
            const QByteArray path = QByteArray::fromPercentEncoding(
                QByteArray::fromStdString(record.substr(at + 6, end - at - 6)));
            const std::string info = entry.path().filename().string();
            if (path.toStdString() == original && info.size() > 10)
                names.push_back(info.substr(0, info.size() - 10));  // less ".trashinfo"
        }
        return names;
    }
    static std::string file(const std::string& name) { return dir() + "/files/" + name; }
};
