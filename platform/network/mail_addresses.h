#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The addresses of a mail as the user typed them, read the one way that both
// the compose window and the SMTP session go by, so that what the window lets
// through is what the session sends.
namespace dezu::network {

// SMTP's longest path (RFC 5321) less its angle brackets.
inline constexpr std::size_t kLongestAddress = 254;

struct Mailbox {
    std::string name;     // the display name without its quotes; "" for none
    std::string address;  // as it goes between "<" and ">"
};

struct MailboxList {
    std::vector<Mailbox> mailboxes;  // in the order typed
    // The first item, as typed less the blanks at its ends, that is not one
    // mailbox; when there is one, nothing may be sent.
    std::optional<std::string> refused;
    bool empty() const { return mailboxes.empty() && !refused; }
};

// True when the text is one address that SMTP can carry between "<" and ">":
// not empty, not longer than kLongestAddress, and free of blanks, "<", ">"
// and control characters, any of which would let text of the address become
// a parameter or a command of the session.
bool is_single_address(std::string_view address);

// Items are separated by "," and ";" outside double quotes, and by line
// breaks; the blanks at both ends of an item are dropped, and so are empty
// items. An item is an address, or a name followed by the address in "<" and
// ">" with nothing after it. The address has a local part and a domain: a
// server would complete a bare name with a domain of its own and deliver it
// to whoever has that name there.
MailboxList parse_mailboxes(std::string_view text);

// The mailbox as one item that parse_mailboxes reads back as it is, for a
// name without line breaks: the name, in double quotes when it holds a
// separator, a blank at an end or another character that a plain name
// cannot, then the address in "<" and ">".
std::string mailbox_text(const Mailbox& box);

}  // namespace dezu::network
