#include "mail/mail_accounts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/files/files.h"
#include "platform/text/text.h"
#include "platform/ui/failures.h"
#include "platform/ui/prompts.h"

namespace text = dezu::text;

namespace dezu::mail {
namespace {

constexpr const char* kNameMark = "收信人:";
constexpr const char* kAddressMark = "地址:";

// The program's own files that an address book's name could reach.
constexpr const char* kProgramIniFiles[] = {"clock.ini", "WALLAB.INI"};

// Puts the finished file in place only where nothing is, even when something
// appeared there meanwhile. False with errno EEXIST when the name is taken.
bool move_into_free_place(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST) return false;
    // File systems without that rename: a hard link fails just the same when
    // the name is taken.
    return ::link(from.c_str(), to.c_str()) == 0;
}

// Why the account table under that name did not open, in the user's words.
std::string unreadable_cause(const std::string& file, dezu::store::Problem problem) {
    namespace fs = std::filesystem;
    using dezu::store::Problem;
    const fs::path path = fs::u8path(file);
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(path, error)) && !fs::exists(path, error))
        return "链接指向的文件 " + fs::read_symlink(path, error).string() + " 不存在";
    if (fs::is_directory(path, error)) return "这是一个文件夹";
    // The table is opened for writing too: a file the user may only read
    // fails there as if another program held it.
    if (::faccessat(AT_FDCWD, file.c_str(), R_OK | W_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EPERM || errno == EROFS))
        return "没有读写这个文件的权限";
    switch (problem) {
        case Problem::Missing:
            return "文件不存在";
        case Problem::NotATable:
            return "这不是邮件帐户文件";
        case Problem::InUse:
            return "文件正在被其他程序使用";
        case Problem::Unreadable:
            return "无法打开";
        default:
            // The fixed password that locked it no longer opens it.
            return "文件已损坏";
    }
}

}  // namespace

int account_port(const std::string& value) {
    return text::truncate_toward_zero(text::numeric_value(value));
}

std::pair<std::string, std::string> split_address_line(const std::string& line) {
    const std::string bytes = text::to_gbk(line);
    const std::string mark = text::to_gbk(kAddressMark);
    const size_t first = bytes.find(mark);
    const std::string name_piece = bytes.substr(0, first);
    std::string address;
    if (first != std::string::npos) {
        const size_t start = first + mark.size();
        const size_t second = bytes.find(mark, start);
        address =
            bytes.substr(start, second == std::string::npos ? std::string::npos : second - start);
    }
    const std::string name = name_piece.size() > 7 ? name_piece.substr(7) : std::string();
    return {text::from_gbk(name), text::from_gbk(address)};
}

std::string address_line(const std::string& name, const std::string& address) {
    return std::string(kNameMark) + name + kAddressMark + address;
}

std::optional<std::string> account_name_problem(const std::string& name,
                                                const std::string& program_file_name) {
    if (name.find_first_of("/\\") != std::string::npos || text::has_control_character(name))
        return std::string("帐户名不能含有“/”、“\\”或控制字符");
    // Compared without case: the folder may be on a file system that ignores it.
    const std::string book = text::ascii_lower(name + ".ini");
    std::vector<std::string> own(std::begin(kProgramIniFiles), std::end(kProgramIniFiles));
    own.push_back(program_file_name);
    for (const std::string& file : own) {
        if (book == text::ascii_lower(file))
            return std::string("帐户名“")
                .append(name)
                .append("”的通讯录会覆盖程序自己的文件 ")
                .append(file)
                .append("，请换一个名字");
    }
    return std::nullopt;
}

MailAccounts::MailAccounts(dezu::ProgramSite site, dezu::ui::Prompts& prompts,
                           dezu::ui::FailureReporter& failures, QObject* parent)
    : QObject(parent), site_(std::move(site)), prompts_(prompts), failures_(failures) {}

MailAccounts::~MailAccounts() = default;

void MailAccounts::open_table(QWidget* owner) {
    table_.close();
    cleared_record_ = 0;
    open_failure_.clear();
    const std::string file = account_db_file();
    struct stat st {};
    // Whatever is there under the name is never replaced.
    if (::lstat(file.c_str(), &st) != 0 && !create_account_db(owner)) return;
    // The program never gives it another password, so it asks for none: a
    // file that the fixed one does not open is damaged.
    table_ = dezu::store::Table::open(file, kAccountPassword);
    if (table_.is_open()) {
        // Damage where only a record's fields reach shows now, not as an
        // account with empty fields later.
        std::vector<std::string> names;
        for (const dezu::store::FieldDefinition& field : table_.fields())
            names.push_back(field.name);
        const auto all = table_.read_all(names);
        if (all && all->unreadable.empty()) return;
    }
    open_failure_ = "邮件帐户文件 " + file + " 无法读取，不能使用邮件帐户：" +
                    unreadable_cause(file, table_.error().problem);
    table_.close();
    failures_.report(open_failure_, owner);
}

bool MailAccounts::create_account_db(QWidget* owner) {
    namespace store = dezu::store;
    const std::string file = account_db_file();
    std::string why;
    // Made whole and locked aside, then moved in: no half-made table is ever
    // found under the name.
    std::string folder = site_.path(".user.edb-XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) {
        why = std::strerror(errno);
    } else {
        const std::string made = folder + "/user.edb";
        const char* names[] = {"用户",     "用户密码",       "用户地址",
                               "邮箱密码", "邮件服务器地址", "邮件服务器端口"};
        std::vector<store::FieldDefinition> fields;
        for (const char* name : names) fields.push_back({name, store::kFieldLongText, 0});
        const store::Outcome created = store::Table::create(made, fields);
        if (!created.ok()) {
            why = created.text;
        } else {
            store::Table table = store::Table::open(made, kAccountPassword);
            if (!table.is_open() || !table.set_password(kAccountPassword)) why = table.error().text;
        }
        if (why.empty() && !move_into_free_place(made, file) && errno != EEXIST)
            why = std::strerror(errno);
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::u8path(folder), ignored);
    }
    if (why.empty()) return true;
    open_failure_ = "邮件帐户文件 " + file + " 无法建立，不能添加邮件帐户：" + why;
    failures_.report(open_failure_, owner);
    return false;
}

void MailAccounts::close_table() {
    table_.close();
    cleared_record_ = 0;
}

void MailAccounts::accept_sender(std::string name) {
    current_sender_name_ = std::move(name);
    cleared_record_ = table_.current_record();
}

void MailAccounts::refuse_sender() {
    current_sender_name_.clear();
    cleared_record_ = 0;
}

bool MailAccounts::current_sender_may_send() const {
    if (!table_.is_open() || table_.current_record() == 0) return true;
    return current_account().password.empty() || table_.current_record() == cleared_record_;
}

bool MailAccounts::refuse_book_name(const std::string& name, QWidget* owner) const {
    const auto problem = account_name_problem(name, site_.file_name);
    if (!problem) return false;
    prompts_.message_box(*problem, dezu::ui::MessageStyle::Plain, std::string(), owner);
    return true;
}

std::vector<std::string> MailAccounts::account_names() {
    std::vector<std::string> names;
    const int count = table_.record_count();
    if (count <= 0) return names;
    table_.first();
    for (int i = 0; i < count; ++i) {
        names.push_back(table_.read(kFieldName).value_or(std::string()));
        table_.next();
    }
    return names;
}

std::optional<Account> MailAccounts::account_at_row(int row) {
    if (row < 0 || row + 1 > table_.record_count() || !table_.go_to(row + 1)) return std::nullopt;
    return current_account();
}

Account MailAccounts::current_account() const {
    auto field = [this](int number) { return table_.read(number).value_or(std::string()); };
    return {field(kFieldName),         field(kFieldPassword), field(kFieldAddress),
            field(kFieldSmtpPassword), field(kFieldServer),   field(kFieldPort)};
}

bool MailAccounts::add_account(const Account& account, QWidget* owner) {
    if (!table_.is_open() || refuse_book_name(account.name, owner)) return false;
    dezu::store::Table::Transaction whole(table_);
    if (!table_.append()) {
        prompts_.message_box("添加记录失败", dezu::ui::MessageStyle::Plain, std::string(), owner);
        return false;
    }
    const std::string* values[] = {&account.name,          &account.password, &account.address,
                                   &account.smtp_password, &account.server,   &account.port};
    bool written = true;
    for (int field = kFieldName; field <= kFieldPort && written; ++field)
        written = table_.write(field, *values[field - 1]);
    if (written && whole.commit()) return true;
    failures_.report("邮件帐户无法保存到 " + account_db_file() + "：" + table_.error().text, owner);
    return false;
}

bool MailAccounts::remove_account_row(int row, QWidget* owner) {
    if (!account_at_row(row)) return true;
    dezu::store::Table::Transaction whole(table_);
    if (table_.delete_current() && table_.purge() && whole.commit()) return true;
    failures_.report("邮件帐户无法从 " + account_db_file() + " 删除：" + table_.error().text,
                     owner);
    return false;
}

std::string MailAccounts::address_book_path(const std::string& account_name) const {
    return site_.path(account_name + ".ini");
}

std::optional<std::vector<std::string>> MailAccounts::read_address_book(
    const std::string& account_name) const {
    if (account_name_problem(account_name, site_.file_name)) return std::nullopt;
    const std::string book = address_book_path(account_name);
    if (!dezu::files::file_exists(book) || !dezu::files::read_file_unless_unreadable(book))
        return std::nullopt;
    return dezu::files::read_lines(book);
}

bool MailAccounts::write_address_book(const std::string& account_name,
                                      const std::vector<std::pair<std::string, std::string>>& rows,
                                      QWidget* owner) {
    if (refuse_book_name(account_name, owner)) return false;
    std::vector<std::string> lines;
    for (const auto& [name, address] : rows) lines.push_back(address_line(name, address));
    const std::string book = address_book_path(account_name);
    const dezu::files::RewriteResult written = dezu::files::write_lines(book, lines);
    if (written) return true;
    failures_.report_list_not_saved("通讯录", book, written.unreadable, owner);
    return false;
}

bool MailAccounts::remove_address_book(const std::string& account_name) const {
    if (account_name_problem(account_name, site_.file_name)) return false;
    const std::string book = address_book_path(account_name);
    return dezu::files::file_exists(book) && std::remove(book.c_str()) == 0;
}

void MailAccounts::send(OutgoingMail mail) {
    sends_.run(
        [this, mail = std::move(mail)](const dezu::work::Task& task) {
            // An earlier send that is being cancelled still holds the SMTP session.
            const std::lock_guard one_at_a_time(send_lock_);
            return send_mail_worker(mail, task);
        },
        [this](const SendResult& result) { emit send_ended(result); });
}

}  // namespace dezu::mail
