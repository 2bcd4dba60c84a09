#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dezu::ui {
class Prompts;
}

// The record store: small single-table databases kept one per file. A Table
// is the handle of one open table; whoever opens it owns it, with its own
// current record. Records are numbered from 1 in the order they were
// appended, and their values are texts.
//
// Every change is durable: ending the process at any moment leaves each
// record as it was before or after the change (a transaction: before or
// after all of its changes). A table with a password is encrypted, so its
// file shows nothing of its records without the password.
//
// A handle may be used from several threads; its calls are serialised.
namespace dezu::store {

inline constexpr int kFieldText = 10;      // text of at most max_length GBK bytes
inline constexpr int kFieldLongText = 12;  // text of any length

struct FieldDefinition {
    std::string name;
    int type = 0;
    int max_length = 20;
};

// What went wrong, for callers that word their own message.
enum class Problem {
    None,
    Missing,        // no file there
    NotATable,      // a file, but no table of ours
    Damaged,        // one of ours, but SQLite finds it damaged
    WrongPassword,  // the password did not open it
    NoPassword,     // the password prompt was cancelled
    InUse,          // open elsewhere
    Unreadable,     // cannot be opened at all
    Exists,         // create: something is there already
    BadFields,      // create: unusable field definitions
    NotOpen,        // the handle holds no table
    NoRecord,       // no current record, or a number outside the table
    NoField,        // no field of that name or number
    Failed,         // a write or a password change did not happen
};

struct Outcome {
    Problem problem = Problem::None;
    std::string text;  // for the user; "" when all went well
    bool ok() const { return problem == Problem::None; }
};

class Table {
public:
    // A handle with no table.
    Table();
    ~Table();
    Table(Table&& other) noexcept;
    Table& operator=(Table&& other) noexcept;

    // Makes a new empty table file with these fields, readable by its owner
    // only. Fails when a file is there already (it is left untouched), a
    // definition is unusable, or the file cannot be written.
    [[nodiscard]] static Outcome create(const std::string& file,
                                        const std::vector<FieldDefinition>& fields);

    // Opens the table, at record 1 (0 when empty). A table without a password
    // opens with any password text. For one with a password, a text that does
    // not open it makes the store ask through the prompts (masked); a wrong
    // answer, a cancel or no prompts fail. The empty text is never tried, so
    // a caller that knows no password passes "" and the user is asked at
    // once. A failed opening gives a handle with no table whose error() says
    // why, and never changes the file.
    // A copy left behind by a password change that was cut off is removed.
    // The listed fields are read in the same pass over the file that lists
    // the records, for the first read_all() of exactly those names, so that
    // opening a table and listing it read the file once.
    [[nodiscard]] static Table open(const std::string& file, const std::string& password,
                                    ui::Prompts* prompts = nullptr,
                                    std::vector<std::string> listed = {});

    // From the file alone: true when it is one of our tables with a password.
    static bool has_password(const std::string& file);

    // Deletes the table's file, then every other file that belongs to it
    // (its journal, copies left by a change that was cut off). When the
    // table's file cannot be deleted, nothing is.
    [[nodiscard]] static Outcome remove(const std::string& file);

    // Removes what changes that were cut off left in the folder.
    static void discard_unfinished_copies(const std::string& folder);

    bool is_open() const;
    const std::string& file() const;
    // The last failure of this handle.
    const Outcome& error() const;
    void close();

    int record_count() const;
    int current_record() const;  // 0 when the table has no record
    // Outside 1..count this fails and the current record stays.
    [[nodiscard]] bool go_to(int number);
    bool first();
    // At the last record this stays there and returns false.
    bool next();

    std::vector<FieldDefinition> fields() const;
    // 0 for an unknown name.
    int field_number(std::string_view name) const;
    // Nothing for an unknown field, without a current record, or when the
    // file cannot be read (error() says why; Damaged when the record's own
    // data is).
    [[nodiscard]] std::optional<std::string> read(std::string_view field) const;
    [[nodiscard]] std::optional<std::string> read(int number) const;

    // The named fields of every record, in record order, in one pass over the
    // file. A record whose own data is damaged is listed in unreadable, with
    // empty texts in its row, and the others are read all the same. Nothing
    // when a field is unknown or the list of records itself is damaged.
    using Rows = std::vector<std::vector<std::string>>;
    struct AllRecords {
        Rows rows;
        std::vector<int> unreadable;  // record numbers, ascending
    };
    [[nodiscard]] std::optional<AllRecords> read_all(const std::vector<std::string>& names) const;

    // A text longer than its field's maximum is cut to the longest leading
    // part that fits, never in the middle of a character. Zero bytes are
    // left out.
    [[nodiscard]] bool write(std::string_view field, std::string_view value);
    [[nodiscard]] bool write(int number, std::string_view value);

    // A blank record at the end, which becomes current.
    [[nodiscard]] bool append();
    // Marks the current record for purging.
    [[nodiscard]] bool delete_current();
    // Removes the marked records; the others keep their order, renumbered
    // from 1. The current record stays on the same record when it survives,
    // else on the one that took its number (the last one when it was past
    // the end).
    [[nodiscard]] bool purge();

    // Sets or replaces the password, or removes it (""). Every record is
    // kept; the file is rewritten whole and swapped in only when complete,
    // with the same permissions. Not inside a transaction.
    [[nodiscard]] bool set_password(const std::string& password);

    // The changes made while it is active become durable together at
    // commit(), or not at all: a transaction that ends without commit() is
    // rolled back, the handle's records and current record included. Inside
    // another transaction it joins the outer one.
    class Transaction {
    public:
        explicit Transaction(Table& table);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        [[nodiscard]] bool commit();

    private:
        Table& table_;
        bool began_ = false;   // this one began the transaction
        bool joined_ = false;  // this one joined one in progress
        bool done_ = false;
    };

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace dezu::store
