#include "platform/autostart/autostart.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/files/files.h"
#include "platform/text/text.h"

namespace dezu::autostart {
namespace {

std::string config_home() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

// The Exec value: the path as one quoted argument, with the characters that
// are special inside quotes escaped, "%" doubled for the field codes, and
// backslashes doubled once more for the desktop-entry string level.
std::string exec_value(const std::string& program_path) {
    std::string quoted = "\"";
    for (char c : program_path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\') value += '\\';
        value += c;
    }
    return value;
}

// The first argument of an Exec value, undoing exec_value (and accepting an
// unquoted path).
std::string program_of(std::string_view value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char n = value[++i];
            unescaped += n == 's' ? ' ' : n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            unescaped += value[i];
        }
    }
    std::string program;
    std::size_t i = 0;
    if (!unescaped.empty() && unescaped[0] == '"') {
        for (i = 1; i < unescaped.size() && unescaped[i] != '"'; ++i) {
            // A backslash or a doubled percent sign keeps the next character.
            if (i + 1 < unescaped.size() &&
                (unescaped[i] == '\\' || (unescaped[i] == '%' && unescaped[i + 1] == '%')))
                ++i;
            program += unescaped[i];
        }
    } else {
        for (; i < unescaped.size() && unescaped[i] != ' '; ++i) program += unescaped[i];
    }
    return program;
}

}  // namespace

std::string entry_path() {
    return config_home() + "/autostart/Tools.desktop";
}

bool autostart_exists() {
    return files::file_exists(entry_path());
}

std::string read_autostart() {
    std::istringstream in(text::decode_file_text(files::read_whole_file(entry_path())));
    std::string line;
    bool in_entry = false;
    while (std::getline(in, line)) {
        const std::string_view l = text::trim(line);
        if (!l.empty() && l.front() == '[') {
            in_entry = l == "[Desktop Entry]";
            continue;
        }
        if (in_entry && l.substr(0, 5) == "Exec=") return program_of(text::trim(l.substr(5)));
    }
    return {};
}

bool write_autostart(const std::string& program_path) {
    const std::string path = entry_path();
    // A folder that cannot be made shows as a failed write below.
    files::make_directory(std::filesystem::u8path(path).parent_path().string());
    const std::string content =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Tools\n"
        "Exec=" +
        exec_value(program_path) +
        "\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    return static_cast<bool>(files::write_whole_file(path, content));
}

bool delete_autostart() {
    std::error_code ec;
    std::filesystem::remove(std::filesystem::u8path(entry_path()), ec);
    return !ec;
}

}  // namespace dezu::autostart
