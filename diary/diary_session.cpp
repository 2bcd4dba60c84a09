#include "diary/diary_session.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "diary/diary_book.h"
#include "platform/files/files.h"
#include "platform/network/web_page.h"
#include "platform/process/clock.h"
#include "platform/settings/settings.h"
#include "platform/settings/settings_keys.h"
#include "platform/text/text.h"
#include "platform/ui/failures.h"

namespace store = dezu::store;
namespace keys = dezu::settings::keys;

namespace dezu::diary {

namespace {

// The markup is ASCII, so one rule serves UTF-8 and UTF-16 alike.
template <class Char>
std::basic_string<Char> strip_markup_of(std::basic_string_view<Char> text) {
    // Everything before the first "<" is free of "<", so one pass from the
    // left removes the same tags as searching again from the start.
    std::basic_string<Char> kept;
    kept.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find(Char('<'), at);
        if (open == std::basic_string_view<Char>::npos) break;
        const std::size_t close = text.find(Char('>'), open + 1);
        if (close == std::basic_string_view<Char>::npos) break;
        kept.append(text.substr(at, open - at));
        at = close + 1;
    }
    kept.append(text.substr(at));

    static constexpr Char kSpaceText[] = {'&', 'n', 'b', 's', 'p', ';'};
    constexpr std::basic_string_view<Char> kSpace(kSpaceText, std::size(kSpaceText));
    std::basic_string<Char> out;
    out.reserve(kept.size());
    std::size_t from = 0;
    for (std::size_t hit = kept.find(kSpace); hit != std::basic_string<Char>::npos;
         hit = kept.find(kSpace, from)) {
        out.append(kept, from, hit - from);
        from = hit + kSpace.size();
    }
    out.append(kept, from);
    return out;
}

}  // namespace

std::string strip_markup(std::string_view text) {
    return strip_markup_of(text);
}

std::u16string strip_markup(std::u16string_view text) {
    return strip_markup_of(text);
}

std::u16string imported_text(std::string_view bytes, bool from_web) {
    // Cutting UTF-16 at its first zero byte would keep one garbled character.
    if (dezu::text::starts_with_utf16_bom(bytes)) {
        std::u16string decoded = dezu::text::decode_file_text_utf16(bytes);
        decoded.resize(std::min(decoded.find(u'\0'), decoded.size()));
        return decoded;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const std::size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    if (bytes.empty()) return {};
    if (from_web && dezu::text::is_valid_utf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
            .toStdU16String();
    return dezu::text::decode_file_text_utf16(bytes);
}

DiarySession::DiarySession(dezu::ProgramSite site, dezu::settings::Settings& settings,
                           dezu::Services services, QObject* parent)
    : QObject(parent), site_(std::move(site)), settings_(settings), services_(services) {
    // A password change cut off by the end of an earlier run leaves a copy of
    // the book beside it, perhaps without the password: nothing may outlive
    // the run that made it.
    store::Table::discard_unfinished_copies(site_.path("sj"));
}

DiarySession::~DiarySession() {
    cancel_import();
}

std::string DiarySession::remembered_book() const {
    return settings_.text(keys::kCurrentDiaryBook);
}

void DiarySession::remember_book(const std::string& name) {
    // A settings file that cannot be written is told once a run by the program.
    static_cast<void>(settings_.set(keys::kCurrentDiaryBook, name));
}

bool DiarySession::create_book(const std::string& name, QWidget* owner) {
    std::string why;
    // A name that would leave the folder is no file name of a book.
    if (!diary::is_usable_book_name(name)) {
        why = "这个名字不能用作文件名";
    } else {
        const store::Outcome made = store::Table::create(
            diary_dir_ + "/" + name + diary::kBookExtension, diary::diary_book_fields());
        if (made.ok()) return true;
        why = made.text;
    }
    services_.failures.report("日记本“" + name + "”没有建立：" + why, owner);
    return false;
}

bool DiarySession::delete_book(const std::string& name) {
    const std::string table = diary::book_file_path(diary_dir_, name, diary::kBookExtension);
    if (!store::Table::remove(table).ok()) return false;
    std::error_code ec;
    std::filesystem::remove(
        std::filesystem::u8path(diary::book_file_path(diary_dir_, name, diary::kSideFileExtension)),
        ec);
    return true;
}

DiarySession::Opening DiarySession::open_current_book() {
    // A book left open by an earlier editor is closed first, so that this
    // one never works on another book's table.
    book_.close();
    shown_page_problem_.clear();
    book_path_ = diary::book_file_path(site_.path("sj"), current_book_, diary::kBookExtension);
    if (!dezu::files::file_exists(book_path_)) return Opening::Missing;
    book_ = store::Table::open(book_path_, diary::kBookOpeningPassword, &services_.prompts,
                               {"标题", "时间"});
    return book_.is_open() ? Opening::Opened : Opening::Refused;
}

std::string DiarySession::opening_error() const {
    return book_problem_text();
}

std::string DiarySession::book_problem_text() const {
    // The store knows only tables; to the user these are diary books.
    if (book_.error().problem == store::Problem::NotATable)
        return "这个文件不是日记本：" + book_path_;
    if (book_.error().problem == store::Problem::Damaged) return "日记本文件已损坏：" + book_path_;
    return book_.error().text;
}

void DiarySession::close_book() {
    book_.close();
    shown_page_problem_.clear();
}

bool DiarySession::book_has_password() const {
    return store::Table::has_password(book_path_);
}

store::Table::AllRecords DiarySession::page_titles() const {
    if (!book_.is_open()) return {};
    auto all = book_.read_all({"标题", "时间"});
    return all ? std::move(*all) : store::Table::AllRecords{};
}

std::optional<std::string> DiarySession::show_page(int number) {
    if (!book_.is_open() || !book_.go_to(number)) return std::nullopt;
    auto content = book_.read("内容");
    shown_page_problem_ = content ? std::string() : book_problem_text();
    return content;
}

namespace {

std::string pages_not_read(const std::vector<int>& numbers, const std::string& why) {
    // A badly damaged book could name thousands.
    constexpr std::size_t kNamed = 10;
    std::string pages;
    for (std::size_t i = 0; i < numbers.size() && i < kNamed; ++i)
        pages += (i == 0 ? "" : "、") + std::to_string(numbers[i]);
    if (numbers.size() > kNamed) pages += "等共" + std::to_string(numbers.size());
    return "第" + pages + "页无法读取，" + why;
}

}  // namespace

std::string DiarySession::unreadable_pages_text(const std::vector<int>& numbers) const {
    // The list leaves out only what is damaged.
    return pages_not_read(numbers, "日记本文件已损坏：" + book_path_);
}

std::string DiarySession::unreadable_shown_page_text() const {
    return pages_not_read({shown_record()}, shown_page_problem_);
}

bool DiarySession::save_page(const std::string& content, const std::string& title, QWidget* owner) {
    return change_book(
        [&] {
            return book_.write("内容", content) && book_.write("时间", time_text()) &&
                   book_.write("标题", title);
        },
        "这一页没有保存，它的文字还在编辑框中", owner);
}

bool DiarySession::append_page(QWidget* owner) {
    return change_book([this] { return book_.append(); }, "新的一页没有建立", owner);
}

bool DiarySession::delete_shown_page(QWidget* owner) {
    return change_book([this] { return book_.delete_current() && book_.purge(); }, "这一页没有删除",
                       owner);
}

bool DiarySession::change_book(const std::function<bool()>& steps, const std::string& failure,
                               QWidget* owner) {
    if (!book_.is_open()) return false;
    bool done = false;
    {
        store::Table::Transaction change(book_);
        done = steps() && change.commit();
    }
    // Told after the rollback, so the book is whole again when the user reads it.
    if (!done) report(failure, owner);
    return done;
}

bool DiarySession::set_book_password(const std::string& password, QWidget* owner) {
    if (!book_.is_open()) return false;
    if (book_.set_password(password)) return true;
    report("日记本的密码没有更改", owner);
    return false;
}

void DiarySession::report(const std::string& what, QWidget* owner) {
    const std::string why = book_.error().text;
    services_.failures.report(why.empty() ? what + "。" : what + "：" + why, owner);
}

std::string DiarySession::time_text() const {
    return services_.clock.now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toStdString();
}

void DiarySession::start_import() {
    cancel_import();
    importing_ = true;
    imports_.run(
        [this, sources = import_sources_, web = import_from_web_,
         strip = strip_html_on_import_](const dezu::work::Task& task) {
            using Clock = std::chrono::steady_clock;
            // Many small files would flood the UI thread with updates.
            constexpr auto kEvery = std::chrono::milliseconds(50);
            const auto stop = [&task] { return task.stop_requested(); };
            std::optional<Clock::time_point> shown, sent;
            std::u16string pending;
            const auto due = [&](std::optional<Clock::time_point>& last) {
                const auto now = Clock::now();
                if (last && now - *last < kEvery) return false;
                last = now;
                return true;
            };
            const auto send = [&] {
                // Copied as it is: QString::fromUtf16 would take a leading
                // U+FEFF or U+FFFE of the text for a byte-order mark.
                task.post([this, text = QString(reinterpret_cast<const QChar*>(pending.data()),
                                                static_cast<qsizetype>(pending.size()))] {
                    emit text_imported(text);
                });
                pending.clear();
            };
            for (const std::string& source : sources) {
                if (stop()) return;
                if (due(shown))
                    task.post([this, source = QString::fromStdString(source)] {
                        emit import_source_started(source);
                    });
                const std::string bytes = web ? dezu::network::fetch_web_page(source, {}, stop)
                                              : dezu::files::read_whole_file(source);
                std::u16string text = imported_text(bytes, web);
                if (text.empty()) continue;
                if (strip) text = strip_markup(text);
                pending += text;
                if (due(sent)) send();
            }
            if (!pending.empty()) send();
        },
        [this] {
            importing_ = false;
            emit import_ended();
        });
}

void DiarySession::cancel_import() {
    imports_.cancel();
    if (!importing_) return;
    importing_ = false;
    emit import_ended();
}

}  // namespace dezu::diary
