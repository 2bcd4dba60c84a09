#include "platform/autostart/autostart.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <vector>

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

// One Exec argument: quoted, with the characters that are special inside
// quotes escaped and "%" doubled for the field codes.
std::string quoted_argument(std::string_view argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return quoted + '"';
}

// A desktop entry is UTF-8 text without control characters, and its escapes
// name no other bytes, so a path that is no such text cannot stand in Exec.
// A POSIX shell then makes its bytes from octal escapes and runs it in its
// own place, so the program still starts as itself, from its own folder.
// A path with "%" goes the same way: GLib looks the program up before it
// reads the field codes, so it would not find the program behind a "%%".
constexpr std::string_view kShell = "/bin/sh";
constexpr std::string_view kByBytesStart = "exec \"$(printf '";
constexpr std::string_view kByBytesEnd = "')\"";

bool fits_an_entry(std::string_view path) {
    return text::is_valid_utf8(path) && std::none_of(path.begin(), path.end(), [](char c) {
               return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '%';
           });
}

std::string printf_escaped(std::string_view path) {
    std::string escaped;
    for (const char c : path) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '.' || c == '_' ||
            c == '-') {
            escaped += c;
        } else {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
            escaped += octal;
        }
    }
    return escaped;
}

// The Exec value that starts the program, with backslashes doubled once more
// for the desktop-entry string level.
std::string exec_value(const std::string& program_path) {
    const std::string command =
        fits_an_entry(program_path)
            ? quoted_argument(program_path)
            : std::string(kShell) + " -c " +
                  quoted_argument(std::string(kByBytesStart) + printf_escaped(program_path) +
                                  std::string(kByBytesEnd));
    std::string value;
    for (char c : command) {
        if (c == '\\') value += '\\';
        value += c;
    }
    return value;
}

// The arguments of an Exec value, as a desktop reads them.
std::vector<std::string> exec_arguments(std::string_view value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char n = value[++i];
            unescaped += n == 's' ? ' ' : n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            unescaped += value[i];
        }
    }
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (i < unescaped.size()) {
        if (unescaped[i] == ' ') {
            ++i;
            continue;
        }
        std::string argument;
        const bool quoted = unescaped[i] == '"';
        if (quoted) ++i;
        for (; i < unescaped.size(); ++i) {
            const char c = unescaped[i];
            if (quoted ? c == '"' : c == ' ') break;
            // A backslash in quotes or a doubled percent sign keeps the next
            // character.
            if (i + 1 < unescaped.size() &&
                ((quoted && c == '\\') || (c == '%' && unescaped[i + 1] == '%')))
                ++i;
            argument += unescaped[i];
        }
        if (quoted) ++i;
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

// The bytes that printf_escaped escaped; nothing for another text.
std::optional<std::string> printf_unescaped(std::string_view escaped) {
    std::string path;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            path += escaped[i];
            continue;
        }
        unsigned byte = 0;
        std::size_t digits = 0;
        while (digits < 3 && i + 1 < escaped.size() && escaped[i + 1] >= '0' &&
               escaped[i + 1] <= '7') {
            byte = byte * 8 + static_cast<unsigned>(escaped[++i] - '0');
            ++digits;
        }
        if (digits == 0 || byte > 0xFF) return std::nullopt;
        path += static_cast<char>(byte);
    }
    return path;
}

// The program an Exec value starts, undoing exec_value (and accepting an
// unquoted path).
std::string program_of(std::string_view value) {
    const std::vector<std::string> arguments = exec_arguments(value);
    if (arguments.empty()) return {};
    if (arguments.size() == 3 && arguments[0] == kShell && arguments[1] == "-c") {
        const std::string_view script = arguments[2];
        if (script.starts_with(kByBytesStart) && script.ends_with(kByBytesEnd) &&
            script.size() >= kByBytesStart.size() + kByBytesEnd.size()) {
            const auto path = printf_unescaped(script.substr(
                kByBytesStart.size(), script.size() - kByBytesStart.size() - kByBytesEnd.size()));
            if (path) return *path;
        }
    }
    return arguments.front();
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
    if (!files::make_directory(std::filesystem::u8path(path).parent_path().string())) return false;
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
