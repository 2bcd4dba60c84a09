#include "diary/import_progress_window.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "diary_fixture.h"
#include "platform/text/text.h"
#include "support/iconv.h"
#include "support/local_web_server.h"

namespace ui = dezu::ui;
using Cmd = DiaryEditorWindow;
using dezu::diary::imported_text;
using dezu::diary::strip_markup;

namespace {

TEST(StripMarkup, TagsAndNonBreakingSpacesGo) {
    struct Case {
        const char* text;
        const char* expected;
    };
    for (const Case& c : {
             Case{"one<b>two</b>", "onetwo"},
             Case{"a&nbsp;b&nbsp;&nbsp;c", "abc"},
             Case{"a&NBSP;b", "a&NBSP;b"},
             Case{"if 1 < 2 then x > y done", "if 1  y done"},
             Case{"<a<b>c>d", "c>d"},
             Case{"keep <no end", "keep <no end"},
             Case{"x<i>y<no end&nbsp;z", "xy<no endz"},
             Case{"stray > here", "stray > here"},
             Case{"<script>var a;</script>\r\nline", "var a;\r\nline"},
             Case{"&nb<i>sp;", ""},
             Case{"&amp;&lt;", "&amp;&lt;"},
             Case{"中<p>文", "中文"},
             Case{"", ""},
         }) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(strip_markup(c.text), c.expected);
        EXPECT_EQ(strip_markup(QString::fromUtf8(c.text).toStdU16String()),
                  QString::fromUtf8(c.expected).toStdU16String());
    }
}

TEST(ImportedText, CutAtZeroAndDecoded) {
    using dezu::text::to_gbk;
    EXPECT_EQ(imported_text(to_gbk("中文日记"), false), u"中文日记");
    EXPECT_EQ(imported_text(to_gbk("第一行\r\nline 2\n"), false), u"第一行\r\nline 2\n");
    EXPECT_EQ(imported_text("中文日记", false), u"中文日记");
    // A GBK file with a line that reads as UTF-8 too is settled line by line.
    EXPECT_EQ(imported_text(to_gbk("中文日记\n") + "Zürich", false), u"中文日记\nZürich");
    EXPECT_EQ(imported_text(std::string("ab\0cd", 5), false), u"ab");
    EXPECT_EQ(imported_text(std::string("\0ab", 3), false), u"");
    EXPECT_EQ(imported_text(std::string("\xFF\xFEh\0i\0\0\0j\0", 10), false), u"hi");
    EXPECT_EQ(imported_text(std::string("\xFE\xFF\x4e\x2d", 4), false), u"中");
    EXPECT_EQ(imported_text("\xEF\xBB\xBF中", false), u"中");
    EXPECT_EQ(imported_text("网页", true), u"网页");
    // As Notepad saves "Unicode", either way round.
    for (const bool big_endian : {false, true})
        EXPECT_EQ(imported_text(utf16("第一行\r\n😀 é", big_endian), false), u"第一行\r\n😀 é");
}

class ImportRunTest : public DiaryTest {
protected:
    void SetUp() override {
        DiaryTest::SetUp();
        make_book("b", {{"start:", "start", "t1"}});
        editor = open_editor("b");
        ASSERT_TRUE(editor);
    }
    // Starts the import of these sources.
    void start(const std::vector<std::string>& sources, bool from_web, bool strip) {
        session().set_import_sources(sources);
        session().set_import_from_web(from_web);
        session().set_strip_html_on_import(strip);
        ASSERT_TRUE(ui::load_window(ui::windows::kImportProgress));
    }
    // Runs the import of these sources and waits, bounded, for its end.
    void run(const std::vector<std::string>& sources, bool from_web, bool strip) {
        start(sources, from_web, strip);
        wait_for_end();
    }
    static void wait_for_end() {
        EXPECT_TRUE(wait_until([] { return !ui::is_window_loaded(ui::windows::kImportProgress); }));
    }
    // Milliseconds until the import's thread has ended, at most 5000.
    qint64 ms_until_the_thread_ends() {
        QElapsedTimer waited;
        waited.start();
        wait_until([&] { return !session().import_busy(); }, 5000);
        return waited.elapsed();
    }
    std::string page() { return editor_text(editor); }

    DiaryEditorWindow* editor = nullptr;
};

TEST_F(ImportRunTest, FilesAreAppendedInOrderAndFailuresSkipped) {
    write_file("gbk.txt", dezu::text::to_gbk("第一篇"));
    write_file("utf8.htm", "<p>第二&nbsp;篇</p>\n");
    write_file("empty.txt", "");
    write_file("zero.txt", std::string("\0late", 5));
    run({path("gbk.txt"), path("missing.txt"), "", path("empty.txt"), path("zero.txt"),
         path("utf8.htm")},
        false, true);
    EXPECT_EQ(page(), "start:第一篇第二篇\n");
    EXPECT_EQ(session().import_sources().size(), 6u);  // the run leaves the list alone
    EXPECT_TRUE(prompts.messages().empty());
    // Nothing is stored until the editor saves the page.
    EXPECT_EQ(stored_pages("b")[0].content, "start:");
}

TEST_F(ImportRunTest, WithoutStrippingTheMarkupStays) {
    write_file("a.htm", "<b>bold</b>&nbsp;");
    run({path("a.htm"), path("a.htm")}, false, false);
    EXPECT_EQ(page(), "start:<b>bold</b>&nbsp;<b>bold</b>&nbsp;");
}

TEST_F(ImportRunTest, AHugeFileComesWhole) {
    std::string big;
    for (int i = 0; i < 100000; ++i)
        big += "<tr><td>row&nbsp;" + std::to_string(i) + "</td></tr>\n";
    write_file("big.htm", big);
    run({path("big.htm")}, false, true);
    const std::string text = page();
    EXPECT_TRUE(text.starts_with("start:row0\nrow1\n"));
    EXPECT_TRUE(text.ends_with("row99999\n"));
}

TEST_F(ImportRunTest, ManyFilesComeInOrderWithProgressAtMostEvery50Ms) {
    std::string expected = "start:";
    std::vector<std::string> sources;
    for (int i = 0; i < 400; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        write_file(name, std::to_string(i) + ",");
        sources.push_back(path(name));
        expected += std::to_string(i) + ",";
    }
    std::vector<qint64> shown;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&session(), &DiarySession::import_source_started, editor,
                     [&] { shown.push_back(clock.elapsed()); });
    run(sources, false, false);
    EXPECT_EQ(page(), expected);
    ASSERT_FALSE(shown.empty());
    // The worker spaces them 50 ms apart; delivery may bunch them a little.
    EXPECT_LE(static_cast<qint64>(shown.size()), clock.elapsed() / 50 + 2);
}

TEST_F(ImportRunTest, NumberedWebPagesFromALocalServer) {
    std::filesystem::create_directories(path("site"));
    write_file("site/page001.htm", "<html><body>one</body></html>");
    write_file("site/page002.htm", dezu::text::to_gbk("<meta charset=\"gbk\"><p>二</p>"));
    write_file("site/page004.htm", "four");  // 003 is missing: the server says 404
    LocalWebServer server = LocalWebServer::for_folder(path("site"));
    ASSERT_NE(server.port(), 0) << "the local web server did not start";
    std::vector<std::string> sources;
    for (const char* n : {"001", "002", "003", "004"})
        sources.push_back(server.url("page") + n + ".htm");
    sources.push_back("http://127.0.0.1:1/nothing.htm");  // nothing listens there
    run(sources, true, true);
    EXPECT_EQ(page(), "start:one二four");
}

TEST_F(ImportRunTest, TheLabelShowsEachSource) {
    write_file("a.txt", "A");
    session().set_import_sources({path("a.txt")});
    session().set_import_from_web(false);
    auto* w = ui::load_window(ui::windows::kImportProgress);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->size(), QSize(380, 250));
    auto* label = w->control<QLabel>("标签1");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->font().pixelSize(), 19);
    std::string shown;
    QObject::connect(editor->editor(), &QPlainTextEdit::textChanged,
                     [&] { shown = label->text().toStdString(); });
    wait_for_end();
    EXPECT_EQ(shown, "正在导入" + path("a.txt") + ",请稍候...");
    EXPECT_EQ(page(), "start:A");
}

// A web server whose pages answer as their path says: /page/NAME at once
// with NAME, /slow/NAME after 2 s, /stall never (and it leaves the file
// "stalled" beside itself once a request stalls).
class StalledServerTest : public ImportRunTest {
protected:
    void SetUp() override {
        ImportRunTest::SetUp();
        write_file("server.py", R"(import http.server, os, socketserver, sys, time
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        kind, _, name = self.path.strip("/").partition("/")
        if kind == "stall":
            open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "stalled"), "w").close()
            time.sleep(600)
        if kind == "slow":
            time.sleep(2)
        body = name.encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
server = Server(("127.0.0.1", 0), Handler)
print("port", server.server_address[1], flush=True)
server.serve_forever()
)");
        server = std::make_unique<LocalWebServer>(LocalWebServer::for_script(path("server.py")));
        ASSERT_NE(server->port(), 0) << "the local web server did not start";
    }
    std::string url(const std::string& what) const { return server->url(what); }
    bool stalled() const { return std::filesystem::exists(path("stalled")); }

    // Something done once, right after the first text is appended.
    void after_first_append(std::function<void()> action) {
        auto done = std::make_shared<bool>(false);
        QObject::connect(editor->editor(), &QPlainTextEdit::textChanged, editor, [=] {
            if (*done) return;
            *done = true;
            QTimer::singleShot(0, action);
        });
    }

    std::unique_ptr<LocalWebServer> server;
};

TEST_F(StalledServerTest, TypingMeanwhileStaysAndASecondActivationDoesNotRestart) {
    after_first_append([this] {
        editor->editor()->appendPlainText(QStringLiteral("typed"));
        if (auto* w = ui::loaded_window(ui::windows::kImportProgress)) {
            QEvent activate(QEvent::WindowActivate);
            QCoreApplication::sendEvent(w, &activate);
        }
    });
    run({url("page/A"), url("slow/B"), url("page/C")}, true, false);
    EXPECT_EQ(page(), "start:A\ntypedBC");
}

TEST_F(StalledServerTest, TheUiThreadIsNeverBlockedAndCancelStopsWithinASecond) {
    // The longest gap between the beats of a 1 ms timer.
    qint64 longest = 0;
    QElapsedTimer since_beat;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout,
                     [&] { longest = std::max(longest, since_beat.restart()); });
    since_beat.start();
    beat.start(1);
    // As long without an import first: a busy machine holds every thread
    // now and then, the more often the longer it is watched, and what counts
    // is what the import adds.
    constexpr int kWatchedPeriods = 12;  // of 100 ms
    run_timer_periods(100, kWatchedPeriods);
    const qint64 idle = longest;

    start({url("page/A"), url("stall"), url("page/C")}, true, false);
    ASSERT_TRUE(wait_until([&] { return page() == "start:A" && stalled(); }));
    longest = 0;
    run_timer_periods(100, kWatchedPeriods);  // held by the server all along
    EXPECT_TRUE(session().importing());

    QElapsedTimer cancelled;
    cancelled.start();
    session().cancel_import();
    const qint64 blocked = cancelled.elapsed();
    const qint64 ended = ms_until_the_thread_ends();
    beat.stop();
    EXPECT_LT(longest, std::max<qint64>(20, idle + 5)) << "idle, the longest hold was " << idle;
    EXPECT_LT(blocked, 20);
    EXPECT_LT(ended, 1100);
    EXPECT_FALSE(session().import_busy());
    // The progress window goes with the run; nothing more arrives.
    run_timer_periods(10, 5);
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kImportProgress));
    EXPECT_EQ(page(), "start:A");
}

TEST_F(StalledServerTest, ClosingTheEditorEndsTheRun) {
    after_first_append([] { ui::destroy_window(ui::windows::kDiaryEditor); });
    start({url("page/A"), url("stall"), url("page/C")}, true, false);
    wait_for_end();
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kDiaryEditor));
    EXPECT_LT(ms_until_the_thread_ends(), 1100);
    // What arrived before the close was saved with the page.
    EXPECT_EQ(stored_pages("b")[0].content, "start:A");
}

TEST_F(StalledServerTest, ClosingTheProgressWindowEndsTheRun) {
    after_first_append([] {
        if (auto* w = ui::loaded_window(ui::windows::kImportProgress)) w->close();
    });
    start({url("page/A"), url("stall"), url("page/C")}, true, false);
    wait_for_end();
    EXPECT_LT(ms_until_the_thread_ends(), 1100);
    run_timer_periods(10, 5);
    EXPECT_EQ(page(), "start:A");
    EXPECT_TRUE(ui::is_window_loaded(ui::windows::kDiaryEditor));
}

TEST_F(StalledServerTest, TheProgramEndsWithoutWaitingForTheStalledPage) {
    start({url("stall")}, true, false);
    ASSERT_TRUE(wait_until([&] { return stalled(); }));
    ASSERT_TRUE(session().import_busy());
    QElapsedTimer ending;
    ending.start();
    end_program();
    EXPECT_LT(ending.elapsed(), 1100);
}

TEST_F(ImportRunTest, AChosenFileWithASemicolonInItsNameIsImported) {
    write_file("semi;colon.txt", dezu::text::to_gbk("分号"));
    prompts.then_files({path("semi;colon.txt")});
    QTimer::singleShot(0, [] {
        auto* w = ui::loaded_window(ui::windows::kDiaryImport);
        ASSERT_TRUE(w);
        w->control<QAbstractButton>("单选框2")->click();
        w->control<QAbstractButton>("按钮1")->click();
        w->control<QAbstractButton>("超级按钮1")->click();
    });
    editor->on_diary_toolbar_click(Cmd::kImport);
    wait_for_end();
    EXPECT_EQ(page(), "start:分号");
}

TEST_F(ImportRunTest, TheToolbarImportsWhatTheWindowChose) {
    write_file("a.txt", "<i>from file</i>");
    QTimer::singleShot(0, [this] {
        auto* w = ui::loaded_window(ui::windows::kDiaryImport);
        ASSERT_TRUE(w);
        w->control<QLineEdit>("编辑框5")->setText(QString::fromStdString(path("a.txt")));
        w->control<QAbstractButton>("超级按钮1")->click();
    });
    editor->on_diary_toolbar_click(Cmd::kImport);
    EXPECT_FALSE(ui::is_window_loaded(ui::windows::kDiaryImport));
    EXPECT_TRUE(ui::is_window_loaded(ui::windows::kImportProgress));
    wait_for_end();
    EXPECT_EQ(page(), "start:from file");
}

}  // namespace
