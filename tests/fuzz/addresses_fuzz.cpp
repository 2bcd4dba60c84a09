#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/network/mail_addresses.h"
#include "platform/text/text.h"

namespace net = dezu::network;

// Whatever is typed or pasted, every mailbox handed on is one address with a
// domain that SMTP carries between "<" and ">", no name holds a line break,
// and each mailbox written out reads back as itself; anything else is
// refused, and the refusal can be shown.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const net::MailboxList list = net::parse_mailboxes(text);
    for (const net::Mailbox& box : list.mailboxes) {
        if (!net::is_single_address(box.address)) std::abort();
        if (box.address.find_first_of(" \t\r\n<>") != std::string::npos) std::abort();
        if (box.name.find_first_of("\r\n") != std::string::npos) std::abort();
        const size_t at = box.address.rfind('@');
        if (at == 0 || at == std::string::npos || at + 1 == box.address.size()) std::abort();
        // Written out as the address panel writes it, it reads back the same.
        const net::MailboxList again = net::parse_mailboxes(net::mailbox_text(box));
        if (again.refused || again.mailboxes.size() != 1 || again.mailboxes[0].name != box.name ||
            again.mailboxes[0].address != box.address)
            std::abort();
    }
    if (list.refused && (list.refused->empty() || dezu::text::has_control_character(
                                                      dezu::text::visible_text(*list.refused))))
        std::abort();
    return 0;
}
