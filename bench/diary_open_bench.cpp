// The diary's store against the plain tools doing the same work, in one run:
//
// - opening a book of 10,000 pages of 2 KB into the editor until it is first
//   painted (every page's title and time listed, the last page shown),
//   beside the sqlite3 command reading the same (and a locked copy read
//   whole, beside the sqlcipher command), and the peak memory of one such
//   opening;
// - importing 1,000 GBK files of 2 KB and of 10 KB into the page shown,
//   beside reading the same files, decoding them and setting their joined
//   text into the same shown editor once;
// - deleting every page one by one, of a book of 1,000 and one of 2,000
//   pages, to show that a deletion does not grow with the book.
//
//   bench_diary_open [pages] [folder]     (folder default: a new one in /dev/shm)
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "app/live_services.h"
#include "app/program.h"
#include "bench/measure.h"
#include "diary/diary_book.h"
#include "diary/diary_editor_window.h"
#include "diary/diary_session.h"
#include "platform/files/files.h"
#include "platform/store/table.h"
#include "platform/text/text.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"

namespace diary = dezu::diary;
using dezu::app::LiveServices;
using dezu::app::Program;
using dezu::diary::DiaryEditorWindow;
using dezu::diary::DiarySession;

namespace {

using dezu::bench::reset_peak;
using dezu::bench::status_kib;
using dezu::store::Table;

constexpr int kRuns = 5;

// About `bytes` bytes of mixed Chinese and ASCII text, different for every page.
std::string page_text(int number, std::size_t bytes = 2048) {
    std::string text = "第" + std::to_string(number) + "页 Diary page title\n";
    while (text.size() < bytes) text += "今天天气很好，我们去公园散步。The quick brown fox. ";
    text.resize(bytes);
    // Never end in the middle of a character.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
        text.pop_back();
    if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0) text.pop_back();
    return text;
}

int make_book(const std::string& file, int pages, const std::string& password) {
    if (!Table::create(file, diary::diary_book_fields()).ok()) return 1;
    Table book = Table::open(file, "x");
    if (!book.is_open()) return 1;
    {
        Table::Transaction all(book);
        for (int i = 1; i <= pages; ++i) {
            if (!book.append() || !book.write("内容", page_text(i)) ||
                !book.write("时间", "2024-03-05 09:05:07") ||
                !book.write("标题", "第" + std::to_string(i) + "页 Diary page title"))
                return 1;
        }
        if (!all.commit()) return 1;
    }
    return password.empty() || book.set_password(password) ? 0 : 1;
}

// Made by a child process, so that the figures count nothing of the making.
bool make_book_apart(const std::string& file, int pages, const std::string& password = {}) {
    const pid_t child = fork();
    if (child == 0) _exit(make_book(file, pages, password));
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The median of kRuns timings of the step, in milliseconds, each followed by
// the untimed tidying; -1 when a run failed.
double median_ms(
    const std::function<bool()>& step, const std::function<void()>& tidy = [] {}) {
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < kRuns; ++i) {
        timer.start();
        const bool ok = step();
        times.push_back(timer.nsecsElapsed() / 1e6);
        tidy();
        if (!ok) return -1;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool run_command(const std::string& command) {
    return std::system((command + " > /dev/null 2>&1").c_str()) == 0;
}

void print_pair(const char* what, double ours, const char* other_what, double other) {
    if (ours < 0) {
        std::printf("%-44s failed\n", what);
        return;
    }
    if (other < 0) {
        std::printf("%-44s %8.1f ms   (%s: not available)\n", what, ours, other_what);
        return;
    }
    std::printf("%-44s %8.1f ms   %-34s %8.1f ms   %.2fx\n", what, ours, other_what, other,
                ours / other);
}

// As the event loop does: the UI thread sleeps until something arrives.
void process_events_until(const std::function<bool()>& done) {
    while (!done()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// What the event loop would do after a window closes: the closed windows go.
void run_deferred_deletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

// Runs the event loop until each of the widgets has been painted once; false
// when one was not within ten seconds.
bool wait_for_first_paint(std::initializer_list<QWidget*> widgets) {
    struct Watch : QObject {
        std::set<QObject*> unpainted;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) unpainted.erase(watched);
            return false;
        }
    } watch;
    for (QWidget* widget : widgets) {
        watch.unpainted.insert(widget);
        widget->installEventFilter(&watch);
    }
    bool late = false;
    QTimer::singleShot(10000, &watch, [&late] { late = true; });
    process_events_until([&] { return watch.unpainted.empty() || late; });
    for (QWidget* widget : widgets) widget->removeEventFilter(&watch);
    return watch.unpainted.empty();
}

// Returns once the user sees the book: its page list and the page shown
// painted for the first time.
DiaryEditorWindow* open_editor(DiarySession& session, const std::string& book) {
    session.set_current_book(book);
    dezu::ui::load_window(dezu::ui::windows::kDiaryEditor);
    auto* editor = dezu::ui::loaded_window_as<DiaryEditorWindow>(dezu::ui::windows::kDiaryEditor);
    if (!editor ||
        !wait_for_first_paint({editor->page_list()->viewport(), editor->editor()->viewport()}))
        return nullptr;
    return editor;
}

void close_editor(DiarySession& session) {
    dezu::ui::destroy_window(dezu::ui::windows::kDiaryEditor);
    session.close_book();
    run_deferred_deletes();
}

int listed_pages(const DiaryEditorWindow* editor) {
    return editor ? editor->page_list()->model()->rowCount() : -1;
}

// Imports the files into the page shown as the import does, then the plain
// way: read, decode and set into the same editor once.
void compare_import(DiarySession& session, DiaryEditorWindow* editor,
                    const std::vector<std::string>& sources, const char* what) {
    QPlainTextEdit* box = editor->editor();
    session.set_import_sources(sources);
    session.set_import_from_web(false);
    session.set_strip_html_on_import(false);
    QString imported;
    const double import_ms = median_ms(
        [&] {
            box->clear();
            session.start_import();
            process_events_until([&] { return !session.importing(); });
            return !box->document()->isEmpty();
        },
        [&] { imported = box->toPlainText(); });
    QString plain;
    const double plain_ms = median_ms(
        [&] {
            box->clear();
            QString joined;
            for (const std::string& source : sources) {
                QFile file(QString::fromStdString(source));
                if (!file.open(QIODevice::ReadOnly)) return false;
                QStringDecoder decode("GB18030");
                joined += decode(file.readAll());
            }
            box->setPlainText(joined);
            return !box->document()->isEmpty();
        },
        [&] { plain = box->toPlainText(); });
    // Both ways must end with the same text, else the figures compare nothing.
    print_pair(what, imported == plain ? import_ms : -1, "read, decode, set once", plain_ms);
    box->clear();
}

// Deletes every page of the book one by one as the editor does (the shown
// page goes, then the last page is shown); milliseconds per page.
double delete_every_page(DiarySession& session, const std::string& book, int pages) {
    session.set_current_book(book);
    if (session.open_current_book() != DiarySession::Opening::Opened) return -1;
    QElapsedTimer timer;
    timer.start();
    for (int count = pages; count > 0; --count) {
        if (!session.show_page(count) || !session.delete_shown_page(nullptr)) return -1;
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    const bool emptied = session.page_count() == 0;
    session.close_book();
    return emptied ? ms / pages : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 10000;
    // Every write is synced; a folder in memory keeps the figures about the
    // work rather than the disk. Give a folder on disk to see the syncs.
    QTemporaryDir temp(QString::fromStdString(argc > 2 ? std::string(argv[2]) : "/dev/shm") +
                       "/dezu-bench-XXXXXX");
    const std::string dir = temp.path().toStdString();
    std::filesystem::create_directories(dir + "/sj");
    const std::string book = dir + "/sj/bench.SJK";
    const std::string locked = dir + "/sj/locked.SJK";
    const std::string password = "bench password";

    QElapsedTimer timer;
    timer.start();
    if (!make_book_apart(book, pages) || !make_book_apart(locked, pages, password) ||
        !make_book_apart(dir + "/sj/del1000.SJK", 1000) ||
        !make_book_apart(dir + "/sj/del2000.SJK", 2000)) {
        std::fprintf(stderr, "could not make the books\n");
        return 1;
    }
    const double make_ms = timer.elapsed();
    // GBK, as text files saved on Chinese Windows are.
    std::vector<std::string> small_sources, large_sources;
    for (const auto& [sources, bytes] : {std::pair{&small_sources, std::size_t{2048}},
                                         std::pair{&large_sources, std::size_t{10240}}}) {
        const std::string folder = dir + "/import" + std::to_string(bytes);
        std::filesystem::create_directories(folder);
        for (int i = 1; i <= 1000; ++i) {
            sources->push_back(folder + "/" + std::to_string(i) + ".txt");
            if (!dezu::files::write_whole_file(sources->back(),
                                               dezu::text::to_gbk(page_text(i, bytes))))
                return 1;
        }
    }

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    dezu::ProgramSite site;
    site.dir = dir + "/";
    site.file_name = "dezu";
    LiveServices services;
    Program program(site, services.services());
    DiarySession& session = program.diary();
    const auto file_kib = std::filesystem::file_size(book) / 1024;
    std::printf("book: %d pages of 2 KB, file %ju KiB (books made in %.0f ms); median of %d runs\n",
                pages, static_cast<std::uintmax_t>(file_kib), make_ms, kRuns);

    // The first opening of the run, as a user's is: its peak over what the
    // program held before it.
    const long before_kib = status_kib("VmRSS");
    if (reset_peak()) {
        const bool opened = listed_pages(open_editor(session, "bench")) == pages;
        const long peak = status_kib("VmHWM");
        close_editor(session);
        if (opened)
            std::printf("peak memory of one opening: +%ld KiB over the %ld KiB before it\n",
                        peak - before_kib, before_kib);
        else
            std::printf("peak memory of one opening: the opening failed\n");
    } else {
        std::printf("peak memory of one opening: not available (no /proc/self/clear_refs)\n");
    }

    // Opening.
    const double open_ms =
        median_ms([&] { return listed_pages(open_editor(session, "bench")) == pages; },
                  [&] { close_editor(session); });
    // The same work: every page's title and time, and the last page's text.
    const double sqlite_ms = median_ms([&] {
        return run_command("sqlite3 '" + book +
                           "' 'SELECT f3, f2 FROM records ORDER BY id; "
                           "SELECT f1 FROM records ORDER BY id DESC LIMIT 1'");
    });
    print_pair("open into the editor", open_ms, "sqlite3 listing, reading the last", sqlite_ms);

    const double locked_ms = median_ms([&] {
        const Table t = Table::open(locked, password);
        const auto all = t.read_all({"标题", "时间", "内容"});
        return all && static_cast<int>(all->rows.size()) == pages && all->unreadable.empty();
    });
    const double sqlcipher_ms = median_ms([&] {
        return run_command("sqlcipher '" + locked + "' \"PRAGMA key='" + password +
                           "';\" 'SELECT f3, f2, f1 FROM records ORDER BY id'");
    });
    print_pair("open a locked book, read every page", locked_ms, "sqlcipher reading the same",
               sqlcipher_ms);

    // Paging back and forth through the last hundred pages.
    DiaryEditorWindow* editor = open_editor(session, "bench");
    if (!editor) return 1;
    timer.restart();
    for (int i = 0; i < 100; ++i) editor->on_diary_toolbar_click(DiaryEditorWindow::kPrevious);
    std::printf("one page step (save + show): %.2f ms\n", timer.nsecsElapsed() / 1e6 / 100);

    // Importing into the page shown.
    compare_import(session, editor, small_sources, "import 1,000 GBK files of 2 KB");
    compare_import(session, editor, large_sources, "import 1,000 GBK files of 10 KB");
    close_editor(session);

    // Deleting page by page.
    const double per_page_1000 = delete_every_page(session, "del1000", 1000);
    const double per_page_2000 = delete_every_page(session, "del2000", 2000);
    if (per_page_1000 < 0 || per_page_2000 < 0) {
        std::printf("deleting page by page failed\n");
        return 1;
    }
    std::printf(
        "delete every page one by one: 1,000 pages %.3f ms a page (%.0f ms in all), "
        "2,000 pages %.3f ms a page (%.0f ms in all): %.2fx a page\n",
        per_page_1000, per_page_1000 * 1000, per_page_2000, per_page_2000 * 2000,
        per_page_2000 / per_page_1000);
    return 0;
}
