#include "platform/network/mail_addresses.h"

#include <algorithm>
#include <cstring>

#include "platform/text/text.h"

namespace dezu::network {
namespace {

// The position of the first of chars outside double quotes, or npos.
size_t find_unquoted(std::string_view text, const char* chars, size_t from = 0) {
    bool quoted = false;
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\\' && quoted) {
            ++i;
        } else if (text[i] == '"') {
            quoted = !quoted;
        } else if (!quoted && text[i] != '\0' && std::strchr(chars, text[i])) {
            return i;
        }
    }
    return std::string_view::npos;
}

// A display name without its quotes.
std::string unquoted(std::string_view name) {
    if (name.size() < 2 || name.front() != '"' || name.back() != '"') return std::string(name);
    std::string out;
    for (size_t i = 1; i + 1 < name.size(); ++i) {
        if (name[i] == '\\' && i + 2 < name.size()) ++i;
        out += name[i];
    }
    return out;
}

// local@domain; an "@" inside a quoted local part is none.
bool has_domain(std::string_view address) {
    const size_t at = address.rfind('@');
    return at != std::string_view::npos && at > 0 && at + 1 < address.size() &&
           address.find('"', at) == std::string_view::npos;
}

bool is_recipient_address(std::string_view address) {
    return is_single_address(address) && has_domain(address);
}

// The characters a name may hold outside quotes (RFC 5322's atext and the
// blanks between its words); UTF-8 beyond ASCII counts as text.
bool is_plain_name_character(unsigned char c) {
    const auto letter = static_cast<unsigned char>(c | 0x20);
    return c >= 0x80 || (c >= '0' && c <= '9') || (letter >= 'a' && letter <= 'z') || c == ' ' ||
           c == '\t' || (c != '\0' && std::strchr("!#$%&'*+-/=?^_`{|}~", c));
}

// The mailbox of one item, or nothing when the item is none.
std::optional<Mailbox> mailbox_of(std::string_view item) {
    const size_t open = find_unquoted(item, "<");
    if (open == std::string_view::npos) {
        if (!is_recipient_address(item)) return std::nullopt;
        return Mailbox{{}, std::string(item)};
    }
    const size_t close = item.find('>', open);
    if (close == std::string_view::npos || !text::trim(item.substr(close + 1)).empty())
        return std::nullopt;
    const std::string_view address = text::trim(item.substr(open + 1, close - open - 1));
    if (!is_recipient_address(address)) return std::nullopt;
    return Mailbox{unquoted(text::trim(item.substr(0, open))), std::string(address)};
}

}  // namespace

bool is_single_address(std::string_view address) {
    return !address.empty() && address.size() <= kLongestAddress &&
           address.find_first_of(" \t<>") == std::string_view::npos &&
           !text::has_control_character(address);
}

MailboxList parse_mailboxes(std::string_view text) {
    MailboxList list;
    size_t line_start = 0;
    while (line_start <= text.size()) {
        size_t line_end = text.find_first_of("\r\n", line_start);
        if (line_end == std::string_view::npos) line_end = text.size();
        const std::string_view line = text.substr(line_start, line_end - line_start);
        line_start = line_end + 1;
        size_t start = 0;
        while (start <= line.size()) {
            size_t end = find_unquoted(line, ",;", start);
            if (end == std::string_view::npos) end = line.size();
            const std::string_view item = text::trim(line.substr(start, end - start));
            start = end + 1;
            if (item.empty()) continue;
            if (auto box = mailbox_of(item)) {
                list.mailboxes.push_back(std::move(*box));
            } else if (!list.refused) {
                list.refused = std::string(item);
            }
        }
    }
    return list;
}

std::string mailbox_text(const Mailbox& box) {
    // Blanks at the ends would be dropped as the blanks around an item.
    const bool plain = text::trim(box.name) == box.name &&
                       std::all_of(box.name.begin(), box.name.end(), [](char c) {
                           return is_plain_name_character(static_cast<unsigned char>(c));
                       });
    std::string out;
    if (plain) {
        out = box.name;
    } else {
        out = "\"";
        for (char c : box.name) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        out += '"';
    }
    return out + "<" + box.address + ">";
}

}  // namespace dezu::network
