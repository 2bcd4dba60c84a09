#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The addresses of a mail as the user typed them, made safe to hand to the
// SMTP session: a control character inside an address would start a line of
// its own there.
namespace mail {

// True when the UTF-8 text holds a C0 or C1 control character, DEL, or the
// Unicode line and paragraph separators.
bool has_control_character(std::string_view text);

// The text with every such character shown as U+FFFD, for a message.
std::string visible_text(std::string_view text);

struct Recipients {
    std::vector<std::string> addresses;  // in order, none empty
    std::optional<std::string> refused;  // the first address holding a control character
};

// Splits the recipients text at ",", ";", CR and LF, trims blanks and tabs at
// both ends of each piece and drops empty pieces.
Recipients split_recipients(std::string_view text);

// The addresses as the send takes them: joined with ",".
std::string join_recipients(const std::vector<std::string>& addresses);

}  // namespace mail
