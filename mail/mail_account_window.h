#pragma once

#include <vector>

#include "platform/ui/form.h"

class QLineEdit;
class QListWidget;
class QTreeWidget;
class QPushButton;

namespace dezu::ui {
class Prompts;
}

namespace dezu::mail {

class MailAccounts;

// Adds and deletes mail accounts and edits each account's address book: a
// view of the accounts that the compose window opened.
class MailAccountWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    MailAccountWindow(mail::MailAccounts& accounts, dezu::ui::Prompts& prompts);

    void on_created() override { load_account_list(); }
    void on_closing() override { refresh_sender_list(); }

    void load_account_list();
    void show_account();
    void add_account();
    void delete_account();
    void add_address_entry();
    void delete_address_entry();
    void save_address_book();
    void refresh_sender_list();

private:
    int chosen_row() const;
    void clear_account_boxes();
    std::vector<QLineEdit*> account_boxes() const;

    mail::MailAccounts& mail_;
    dezu::ui::Prompts& prompts_;
    QListWidget* accounts_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* smtp_password_ = nullptr;
    QLineEdit* server_ = nullptr;
    QLineEdit* port_ = nullptr;
    QTreeWidget* book_ = nullptr;
    QLineEdit* new_name_ = nullptr;
    QLineEdit* new_address_ = nullptr;
    std::vector<QPushButton*> account_buttons_;  // 添加, 删除
    std::vector<QPushButton*> book_buttons_;
};

}  // namespace dezu::mail
