#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "mail/addresses.h"

// Whatever is typed or pasted, no address handed on holds a separator, a
// line break or a control character unless the send is refused.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const mail::Recipients r = mail::split_recipients(text);
    for (const std::string& address : r.addresses) {
        if (address.empty() || address.find_first_of(",;\r\n") != std::string::npos) std::abort();
        if (!r.refused && mail::has_control_character(address)) std::abort();
    }
    if (r.refused && mail::has_control_character(mail::visible_text(*r.refused))) std::abort();
    (void)mail::join_recipients(r.addresses);
    return 0;
}
