#include "platform/network/web_page.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fstream>

#include "platform/text/text.h"
#include "support/local_web_server.h"

using dezu::network::decode_web_page;
using dezu::network::fetch_web_page;
using dezu::network::WebPageLimits;

namespace {

// Answers each path with a page made for one case.
constexpr const char* kHandler = R"PY(
import http.server, time
PAGE = '中文页'
class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass
    def reply(self, status, body, ctype='text/html'):
        self.send_response(status)
        self.send_header('Content-Type', ctype)
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def do_GET(self):
        p = self.path
        if p.startswith('/hop/'):
            n = int(p[5:])
            if n == 0:
                return self.reply(200, b'arrived', 'text/plain')
            self.send_response(302)
            self.send_header('Location', '/hop/%d' % (n - 1))
            self.send_header('Content-Length', '0')
            self.end_headers()
        elif p == '/gbk-header':
            self.reply(200, PAGE.encode('gbk'), 'text/html; charset=GBK')
        elif p == '/gbk-meta':
            self.reply(200, ('<html><head><meta http-equiv="Content-Type" '
                             'content="text/html; charset=gb2312"></head>' + PAGE).encode('gbk'))
        elif p == '/utf8-meta':
            self.reply(200, ('<meta charset="UTF-8">' + PAGE).encode('utf-8'))
        elif p == '/big5-header':
            self.reply(200, '中文'.encode('big5'), 'text/html; charset="big5"')
        elif p == '/no-charset-gbk':
            self.reply(200, PAGE.encode('gbk'))
        elif p == '/missing':
            self.reply(404, b'not here')
        elif p == '/large':
            self.reply(200, b'x' * (3 << 20), 'text/plain')
        elif p == '/slow':
            time.sleep(3)
            self.reply(200, b'late', 'text/plain')
        else:
            self.reply(200, b'plain page', 'text/plain')
srv = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
srv.daemon_threads = True
print('port', srv.server_address[1], flush=True)
srv.serve_forever()
)PY";

class WebPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        const std::string script = dir_->filePath(QStringLiteral("pages.py")).toStdString();
        std::ofstream(script) << kHandler;
        server_ = new LocalWebServer(LocalWebServer::for_script(script));
    }
    static void TearDownTestSuite() {
        delete server_;
        delete dir_;
    }
    void SetUp() override { ASSERT_NE(server_->port(), 0) << "the local web server did not start"; }
    static std::string url(const std::string& path) { return server_->url(path); }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline LocalWebServer* server_ = nullptr;
};

TEST_F(WebPageTest, PagesAreDecodedByTheirCharset) {
    struct Case {
        const char* path;
        const char* expected;
    };
    for (const Case& c : {Case{"plain", "plain page"}, Case{"gbk-header", "中文页"},
                          Case{"big5-header", "中文"}, Case{"no-charset-gbk", "中文页"}}) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(fetch_web_page(url(c.path)), c.expected);
    }
    const std::string meta_gbk = fetch_web_page(url("gbk-meta"));
    EXPECT_TRUE(meta_gbk.ends_with("</head>中文页")) << meta_gbk;
    EXPECT_EQ(fetch_web_page(url("utf8-meta")), "<meta charset=\"UTF-8\">中文页");
}

TEST_F(WebPageTest, RedirectsAreFollowedUpToTheLimit) {
    WebPageLimits limits;
    limits.max_redirects = 3;
    EXPECT_EQ(fetch_web_page(url("hop/3"), limits), "arrived");
    EXPECT_EQ(fetch_web_page(url("hop/4"), limits), "");
}

TEST_F(WebPageTest, FailuresGiveNothing) {
    WebPageLimits limits;
    limits.connect_timeout_ms = 2000;
    limits.total_timeout_ms = 500;
    limits.max_body_bytes = 1u << 20;
    EXPECT_EQ(fetch_web_page(url("missing"), limits), "");         // error status
    EXPECT_EQ(fetch_web_page(url("large"), limits), "");           // over the size limit
    EXPECT_EQ(fetch_web_page("http://127.0.0.1:1/", limits), "");  // nothing listens
    EXPECT_EQ(fetch_web_page("", limits), "");
    EXPECT_EQ(fetch_web_page("file:///etc/hostname", limits), "");  // not a web page
    EXPECT_EQ(fetch_web_page("not a web address at all", limits), "");
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(fetch_web_page(url("slow"), limits), "");
    EXPECT_LT(waited.elapsed(), 2500);
    // A large body within the limit comes whole.
    limits.max_body_bytes = 4u << 20;
    limits.total_timeout_ms = 10000;
    EXPECT_EQ(fetch_web_page(url("large"), limits).size(), 3u << 20);
}

TEST(DecodeWebPage, CharsetFromHeaderThenMetaThenGuess) {
    const std::string gbk = dezu::text::to_gbk("网页");
    struct Case {
        std::string body;
        std::string content_type;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {gbk, "text/html; charset=gb2312", "网页"},
        {gbk, "text/html;charset=\"GB18030\"", "网页"},
        {"<META CHARSET = 'gbk'>" + gbk, "text/html", "<META CHARSET = 'gbk'>网页"},
        {"<meta http-equiv=\"content-type\" content=\"text/html; charset=gbk\">" + gbk, "",
         "<meta http-equiv=\"content-type\" content=\"text/html; charset=gbk\">网页"},
        {"网页", "", "网页"},
        {"\xEF\xBB\xBF网页", "text/html; charset=gbk", "网页"},  // a BOM outranks the header
        {gbk, "text/html; charset=no-such-charset", "网页"},
        {"bad \xFF utf-8", "text/plain; charset=utf-8", "bad \xEF\xBF\xBD utf-8"},
        {"", "text/html; charset=gbk", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content_type + " | " + c.body);
        EXPECT_EQ(decode_web_page(c.body, c.content_type), c.expected);
    }
}

}  // namespace
