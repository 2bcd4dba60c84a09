// Opens a diary book of 10,000 pages of 2 KB each into the editor and prints
// how long that took and the memory it needed, beside the time the sqlite3
// command takes to read the same rows.
//
//   bench_diary_open [pages] [folder]     (folder default: a new one in /tmp)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/live_services.h"
#include "app/program.h"
#include "diary/diary_book.h"
#include "diary/diary_editor_window.h"
#include "platform/store/table.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"

namespace {

long peak_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// 2048 bytes of mixed Chinese and ASCII text, different for every page.
std::string page_text(int number) {
    std::string text = "第" + std::to_string(number) + "页 Diary page title\n";
    while (text.size() < 2048) text += "今天天气很好，我们去公园散步。The quick brown fox. ";
    text.resize(2048);
    // Never end in the middle of a character.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
        text.pop_back();
    if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0) text.pop_back();
    return text;
}

int make_book(const std::string& file, int pages) {
    using dezu::store::Table;
    if (!Table::create(file, diary::diary_book_fields()).ok()) return 1;
    Table book = Table::open(file, "x");
    if (!book.is_open()) return 1;
    Table::Transaction all(book);
    for (int i = 1; i <= pages; ++i) {
        if (!book.append() || !book.write("内容", page_text(i)) ||
            !book.write("时间", "2024-03-05 09:05:07") ||
            !book.write("标题", "第" + std::to_string(i) + "页 Diary page title"))
            return 1;
    }
    return all.commit() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 10000;
    // Every write is synced; a folder in memory keeps making the book quick.
    QTemporaryDir temp(QString::fromStdString(argc > 2 ? std::string(argv[2]) : "/dev/shm") +
                       "/dezu-bench-XXXXXX");
    const std::string dir = temp.path().toStdString();
    std::filesystem::create_directories(dir + "/sj");
    const std::string book = dir + "/sj/bench.SJK";

    // The book is made by a child process, so that the figures below count
    // only the opening.
    QElapsedTimer timer;
    timer.start();
    const pid_t child = fork();
    if (child == 0) _exit(make_book(book, pages));
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "could not make the book\n");
        return 1;
    }
    const double make_ms = timer.elapsed();

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    dezu::ProgramSite site;
    site.dir = dir + "/";
    site.file_name = "dezu";
    LiveServices services;
    Program program(site, services.services());
    const long before_kib = peak_kib();

    program.diary().set_current_book("bench");
    timer.restart();
    dezu::ui::load_window(dezu::ui::windows::kDiaryEditor);
    const double open_ms = timer.nsecsElapsed() / 1e6;
    auto* editor = dezu::ui::loaded_window_as<DiaryEditorWindow>(dezu::ui::windows::kDiaryEditor);
    if (!editor || editor->page_list()->topLevelItemCount() != pages) {
        std::fprintf(stderr, "the editor did not open the book\n");
        return 1;
    }
    const long after_kib = peak_kib();

    // Paging back and forth through the last hundred pages.
    timer.restart();
    for (int i = 0; i < 100; ++i) editor->on_diary_toolbar_click(DiaryEditorWindow::kPrevious);
    const double page_ms = timer.nsecsElapsed() / 1e6 / 100;

    const std::string sql =
        "sqlite3 '" + book + "' 'SELECT f3, f2, f1 FROM records ORDER BY id' > /dev/null";
    timer.restart();
    const int sqlite_status = std::system(sql.c_str());
    const double sqlite_ms = timer.nsecsElapsed() / 1e6;

    const auto file_kib = std::filesystem::file_size(book) / 1024;
    std::printf("book: %d pages of 2 KB, file %ju KiB (made in %.0f ms)\n", pages,
                static_cast<std::uintmax_t>(file_kib), make_ms);
    std::printf("open into the editor: %.1f ms\n", open_ms);
    std::printf("peak memory: %ld KiB before opening, %ld KiB after (+%ld KiB)\n", before_kib,
                after_kib, after_kib - before_kib);
    std::printf("one page step (save + show): %.2f ms\n", page_ms);
    if (sqlite_status == 0)
        std::printf("sqlite3 reading the same rows: %.1f ms\n", sqlite_ms);
    else
        std::printf("sqlite3 command not available\n");
    return 0;
}
