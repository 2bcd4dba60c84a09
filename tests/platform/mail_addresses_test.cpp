#include "platform/network/mail_addresses.h"

#include <gtest/gtest.h>

#include <optional>

namespace net = dezu::network;

namespace {

// "name|address" per mailbox.
std::vector<std::string> shown(const net::MailboxList& list) {
    std::vector<std::string> out;
    for (const net::Mailbox& box : list.mailboxes) out.push_back(box.name + "|" + box.address);
    return out;
}

}  // namespace

TEST(MailAddressesTest, SplitsItemsOutsideQuotesAndAtLineBreaks) {
    using Strings = std::vector<std::string>;
    struct Case {
        std::string text;
        Strings mailboxes;
        std::optional<std::string> refused;
    } cases[] = {
        {"a@x", {"|a@x"}, std::nullopt},
        {"张三<zs@x.org>,bob@y.org", {"张三|zs@x.org", "|bob@y.org"}, std::nullopt},
        {" a@x ; \tb@x\t,c@x ", {"|a@x", "|b@x", "|c@x"}, std::nullopt},
        // A pasted line break separates like ","; empty items go.
        {"a@x\r\nb@x\nc@x\rd@x", {"|a@x", "|b@x", "|c@x", "|d@x"}, std::nullopt},
        {",;\r\n a@x,,", {"|a@x"}, std::nullopt},
        {" , ;\n", {}, std::nullopt},
        {"", {}, std::nullopt},
        // What would reach the session as a command of its own.
        {"a@x\r\nRSET", {"|a@x"}, "RSET"},
        // Quoted names keep their separators, blanks and escapes.
        {"Tom Li <t@x>", {"Tom Li|t@x"}, std::nullopt},
        {"\"Li, Tom; Jr\" <t@x>;b@y", {"Li, Tom; Jr|t@x", "|b@y"}, std::nullopt},
        {"\"say \\\"hi\\\"\" <q@x>", {"say \"hi\"|q@x"}, std::nullopt},
        {"Tom < t@x >", {"Tom|t@x"}, std::nullopt},
        {"\"a,b\"@x", {"|\"a,b\"@x"}, std::nullopt},
        // Characters beyond ASCII are no control characters.
        {"李\xc2\xa0四@例子.中国", {"|李\xc2\xa0四@例子.中国"}, std::nullopt},
        // Text of an address that would become parameters or recipients.
        {"a@x.org> NOTIFY=SUCCESS ORCPT=rfc822;evil@z.org",
         {"|evil@z.org"},
         "a@x.org> NOTIFY=SUCCESS ORCPT=rfc822"},
        {"Tom <a@x> NOTIFY=NEVER", {}, "Tom <a@x> NOTIFY=NEVER"},
        {"Tom <a@x> <b@x>", {}, "Tom <a@x> <b@x>"},
        {"<a b@x>, ok@x", {"|ok@x"}, "<a b@x>"},
        {"Tom <t@x", {}, "Tom <t@x"},
        {"李四<>", {}, "李四<>"},
        // Any control character, naming the first item that holds one.
        {"a@x, b\tc@x ,d\x1b@x", {"|a@x"}, "b\tc@x"},
        {"ok@x,e\x1b@x,f\x7f@x", {"|ok@x"}, "e\x1b@x"},
        {"c1\xc2\x85@x", {}, "c1\xc2\x85@x"},
        {"ls\xe2\x80\xa8@x", {}, "ls\xe2\x80\xa8@x"},
        {std::string("a@x,n\0l@x", 9), {"|a@x"}, std::string("n\0l@x", 5)},
        // No domain: a server would complete it with one of its own.
        {"Wang, Wu<wangwu@x.org>", {"Wu|wangwu@x.org"}, "Wang"},
        {"Li; Tom<lt@x.org>", {"Tom|lt@x.org"}, "Li"},
        {"张三", {}, "张三"},
        {"ok@x,张三<zs>", {"|ok@x"}, "张三<zs>"},
        {"a@", {}, "a@"},
        {"@x", {}, "@x"},
        {"Tom <@x>", {}, "Tom <@x>"},
        {"\"a@b\"", {}, "\"a@b\""},
        {"\"a@b\"@x", {"|\"a@b\"@x"}, std::nullopt},
        // Longer than SMTP takes.
        {std::string(242, 'a') + "@example.org",
         {"|" + std::string(242, 'a') + "@example.org"},
         std::nullopt},
        {std::string(243, 'a') + "@example.org", {}, std::string(243, 'a') + "@example.org"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const net::MailboxList list = net::parse_mailboxes(c.text);
        EXPECT_EQ(shown(list), c.mailboxes);
        EXPECT_EQ(list.refused, c.refused);
    }
}

TEST(MailAddressesTest, AnAddressIsOneMailbox) {
    const std::pair<std::string, bool> cases[] = {
        {"me@local", true},
        {"\"quoted\"@x", true},
        {"", false},
        {"me@local SIZE=1", false},
        {"<me@local>", false},
        {"me@local>", false},
        {"a\tb@x", false},
        {"a\r\nb@x", false},
        {std::string(254, 'a'), true},
        {std::string(255, 'a'), false},
    };
    for (const auto& [address, single] : cases)
        EXPECT_EQ(net::is_single_address(address), single) << address;
}

// What the address book writes for an entry is read back as that entry alone,
// whatever its name holds.
TEST(MailAddressesTest, AMailboxWrittenOutIsReadBackWhole) {
    const std::pair<net::Mailbox, std::string> cases[] = {
        {{"张三", "zs@x.org"}, "张三<zs@x.org>"},
        {{"Tom Li", "t@x"}, "Tom Li<t@x>"},
        {{"", "a@x"}, "<a@x>"},
        {{"O'Neil-Smith", "o@x"}, "O'Neil-Smith<o@x>"},
        {{"Wang, Wu", "wangwu@x.org"}, "\"Wang, Wu\"<wangwu@x.org>"},
        {{"Li; Tom", "lt@x.org"}, "\"Li; Tom\"<lt@x.org>"},
        {{"say \"hi\"", "q@x"}, "\"say \\\"hi\\\"\"<q@x>"},
        {{"back\\", "b@x"}, "\"back\\\\\"<b@x>"},
        {{"Li Jr.", "j@x"}, "\"Li Jr.\"<j@x>"},
        {{" Tom\t", "t@x"}, "\" Tom\t\"<t@x>"},
        {{"a<b>c", "c@x"}, "\"a<b>c\"<c@x>"},
        {{"me@home", "m@x"}, "\"me@home\"<m@x>"},
        {{"(x) [y]: z", "z@x"}, "\"(x) [y]: z\"<z@x>"},
        {{"\"Wang, Wu\"", "w@x"}, "\"\\\"Wang, Wu\\\"\"<w@x>"},
    };
    std::string joined;
    std::vector<std::string> expected;
    for (const auto& [box, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(net::mailbox_text(box), text);
        const net::MailboxList list = net::parse_mailboxes(text);
        EXPECT_EQ(shown(list), std::vector<std::string>{box.name + "|" + box.address});
        EXPECT_EQ(list.refused, std::nullopt);
        joined += (joined.empty() ? "" : ",") + text;
        expected.push_back(box.name + "|" + box.address);
    }
    // Joined by "," as the address panel joins them.
    const net::MailboxList all = net::parse_mailboxes(joined);
    EXPECT_EQ(shown(all), expected);
    EXPECT_EQ(all.refused, std::nullopt);
}
