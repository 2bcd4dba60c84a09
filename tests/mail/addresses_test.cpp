#include "mail/addresses.h"

#include <gtest/gtest.h>

using Strings = std::vector<std::string>;

TEST(RecipientsTest, SplitsAtSeparatorsAndLineBreaks) {
    struct Case {
        const char* text;
        Strings addresses;
        const char* refused;  // nullptr: none
    } cases[] = {
        {"a@x", {"a@x"}, nullptr},
        {"张三<zs@x.org>,bob@y.org", {"张三<zs@x.org>", "bob@y.org"}, nullptr},
        {" a@x ; \tb@x\t,c@x ", {"a@x", "b@x", "c@x"}, nullptr},
        // A pasted line break separates like ","; empty pieces go.
        {"a@x\r\nb@x\nc@x\rd@x", {"a@x", "b@x", "c@x", "d@x"}, nullptr},
        {",;\r\n a@x,,", {"a@x"}, nullptr},
        {" , ;\n", {}, nullptr},
        {"", {}, nullptr},
        // What would reach the session as a command of its own.
        {"a@x\r\nRSET", {"a@x", "RSET"}, nullptr},
        // Blanks inside stay: only the ends are trimmed.
        {"Tom Li <t@x>", {"Tom Li <t@x>"}, nullptr},
        // Any other control character stops the send, naming the address.
        {"a@x, b\tc@x ,d@x", {"a@x", "b\tc@x", "d@x"}, "b\tc@x"},
        {"ok@x,e\x1b@x,f\x7f@x", {"ok@x", "e\x1b@x", "f\x7f@x"}, "e\x1b@x"},
        {"c1\xc2\x85@x", {"c1\xc2\x85@x"}, "c1\xc2\x85@x"},
        {"ls\xe2\x80\xa8@x", {"ls\xe2\x80\xa8@x"}, "ls\xe2\x80\xa8@x"},
        // Other characters beyond ASCII are no control characters.
        {"李\xc2\xa0四@例子.中国", {"李\xc2\xa0四@例子.中国"}, nullptr},
    };
    for (const Case& c : cases) {
        const mail::Recipients r = mail::split_recipients(c.text);
        EXPECT_EQ(r.addresses, c.addresses) << c.text;
        EXPECT_EQ(r.refused.value_or("(none)"), c.refused ? c.refused : "(none)") << c.text;
    }
    const mail::Recipients nul = mail::split_recipients(std::string("a@x,n\0l@x", 9));
    EXPECT_EQ(nul.refused, std::string("n\0l@x", 5));
}

TEST(RecipientsTest, JoinsWithCommasAndShowsControlsVisibly) {
    EXPECT_EQ(mail::join_recipients({"a@x", "张三<zs@x>"}), "a@x,张三<zs@x>");
    EXPECT_EQ(mail::join_recipients({}), "");
    EXPECT_EQ(mail::visible_text("a\r\nb\xc2\x9f@x"),
              "a\xef\xbf\xbd\xef\xbf\xbd"
              "b\xef\xbf\xbd@x");
    // A cut sequence at the end is left as it is.
    EXPECT_EQ(mail::visible_text("a\xc2"), "a\xc2");
    EXPECT_FALSE(mail::has_control_character("\xe2\x80"));
}
