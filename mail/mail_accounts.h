#pragma once

#include <QObject>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mail/mail_send.h"
#include "platform/services.h"
#include "platform/store/table.h"
#include "platform/work/task_group.h"

namespace dezu::ui {
class Prompts;
class FailureReporter;
}  // namespace dezu::ui

// The mail sender's state: the account table user.edb (fields 1..6, one
// record per account, row r of a list standing for record r + 1), the
// address book of each account (<program dir><account name>.ini), the sender
// chosen last, and the send that is running.
namespace dezu::mail {

inline constexpr const char* kAccountPassword = "vokt";

enum AccountField {
    kFieldName = 1,
    kFieldPassword = 2,
    kFieldAddress = 3,
    kFieldSmtpPassword = 4,
    kFieldServer = 5,
    kFieldPort = 6,
};

struct Account {
    std::string name, password, address, smtp_password, server, port;
};

// The port of field 6's text.
int account_port(const std::string& value);

// A line's name (less its first 7 bytes in the file's code page) and address.
std::pair<std::string, std::string> split_address_line(const std::string& line);

std::string address_line(const std::string& name, const std::string& address);

// Why an account of this name cannot have an address book: its file would be
// one of the program's own (whose program file is program_file_name), or the
// name holds "/", "\\" or a control character. Nothing when it can.
std::optional<std::string> account_name_problem(const std::string& name,
                                                const std::string& program_file_name);

// The compose window opens the table and closes it; the account window works
// on it while the compose window has it open. The table has its own current
// record: choosing a sender moves it, and a send goes from the account there.
class MailAccounts : public QObject {
    Q_OBJECT
public:
    MailAccounts(dezu::ProgramSite site, dezu::ui::Prompts& prompts,
                 dezu::ui::FailureReporter& failures, QObject* parent = nullptr);
    ~MailAccounts() override;

    std::string account_db_file() const { return site_.path("user.edb"); }

    // Opens user.edb, creating it empty first when it is missing; an existing
    // file is never changed here. One that cannot be read whole, or cannot be
    // created, leaves the table closed, and that is told.
    void open_table(QWidget* owner = nullptr);
    void close_table();
    bool is_open() const { return table_.is_open(); }
    // What was told when the table last failed to open; "" when it opened.
    const std::string& open_failure() const { return open_failure_; }

    // Field 1 of every record from the first to the last; the last record is
    // current afterwards.
    std::vector<std::string> account_names();

    // Moves to record row + 1; nothing when there is no such record.
    std::optional<Account> account_at_row(int row);
    // The account of the current record (empty fields without one).
    Account current_account() const;

    // Appends the account whole. A name that cannot have an address book is
    // refused with a message. A record that cannot be appended says
    // "添加记录失败"; fields that cannot be written are told as a failure and
    // leave no record behind. False when nothing was added.
    [[nodiscard]] bool add_account(const Account& account, QWidget* owner = nullptr);
    // Deletes the record of the row at once, when there is one. False only
    // when it is there and could not be deleted (the failure has been told).
    [[nodiscard]] bool remove_account_row(int row, QWidget* owner = nullptr);

    // The account window has closed: the sender lists follow the table again.
    // Records may have moved, so no sender stays cleared.
    void finish_editing() {
        cleared_record_ = 0;
        emit accounts_edited();
    }

    // The name of the sender chosen last whose password passed; "" after a
    // wrong or cancelled password. It names the book the compose window shows.
    const std::string& current_sender_name() const { return current_sender_name_; }
    // The account of the current record passed its password (or has none).
    void accept_sender(std::string name);
    // A wrong or cancelled password: no book, and no send from that account.
    void refuse_sender();
    // Whether a send may go from the current record: its account has no
    // password, or the password was given when it was chosen.
    bool current_sender_may_send() const;

    std::string address_book_path(const std::string& account_name) const;
    // The lines of the book, whole; none when it is missing or unreadable, or
    // when the name can have no book.
    std::optional<std::vector<std::string>> read_address_book(
        const std::string& account_name) const;
    // Replaces the book with one line per (name, address); a name that can
    // have no book is refused with a message, and a book that cannot be
    // written is told as a failure.
    [[nodiscard]] bool write_address_book(
        const std::string& account_name,
        const std::vector<std::pair<std::string, std::string>>& rows, QWidget* owner = nullptr);
    // Deletes the book of the account, when the name can have one. True
    // when a book was deleted.
    bool remove_address_book(const std::string& account_name) const;

    // Sends off the UI thread; send_ended follows unless the send is
    // cancelled first. One send at a time: a later one waits for an earlier
    // one that is still being cancelled.
    void send(OutgoingMail mail);
    void cancel_send() { sends_.cancel(); }
    bool sending() { return sends_.busy(); }

signals:
    void accounts_edited();
    void send_ended(const dezu::mail::SendResult& result);

private:
    [[nodiscard]] bool create_account_db(QWidget* owner);
    bool refuse_book_name(const std::string& name, QWidget* owner) const;

    dezu::ProgramSite site_;
    dezu::ui::Prompts& prompts_;
    dezu::ui::FailureReporter& failures_;
    dezu::store::Table table_;
    std::string current_sender_name_;
    std::string open_failure_;
    int cleared_record_ = 0;  // the record whose password was given; 0 for none
    std::mutex send_lock_;
    dezu::work::TaskGroup sends_{this};  // last: its end waits for the sends above
};

}  // namespace dezu::mail
