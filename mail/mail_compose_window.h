#pragma once

#include <QPixmap>
#include <vector>

#include "platform/ui/form.h"

class QComboBox;
class QFrame;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace dezu::ui {
class PictureBox;
class Prompts;
class StatusBar;
}  // namespace dezu::ui

namespace dezu::mail {

class MailAccounts;
struct SendResult;

// Writes a mail: a sender account, recipients typed or picked from the
// account's address book, subject, body and attachments; the accounts send
// it off the UI thread. A view of the accounts, which it opens and closes.
class MailComposeWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    MailComposeWindow(mail::MailAccounts& accounts, dezu::ui::Prompts& prompts);

    void on_created() override { load_sender_accounts(); }
    void on_closing() override { close_account_db(); }

    void load_sender_accounts();
    void close_account_db();
    void select_sender_account();
    void hide_address_panel_on_focus();
    void toggle_address_panel();
    void check_all_address_entries();
    void uncheck_all_address_entries();
    void fill_recipients_from_address_book();
    void hide_address_panel();
    void open_account_editor();
    void add_attachment();
    void remove_selected_attachments();
    void start_send_mail();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void list_senders();
    void end_send(const mail::SendResult& result);
    QPixmap attachment_icon(const std::string& path) const;
    void show_sending_frame(int frame);

    mail::MailAccounts& mail_;
    dezu::ui::Prompts& prompts_;
    QComboBox* senders_ = nullptr;
    QLineEdit* recipients_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QPlainTextEdit* body_ = nullptr;
    QListWidget* attachments_ = nullptr;
    QPushButton* send_ = nullptr;
    QFrame* panel_ = nullptr;
    QListWidget* entries_ = nullptr;
    dezu::ui::StatusBar* status_ = nullptr;
    dezu::ui::PictureBox* sending_ = nullptr;
    QPixmap sending_frames_;
    QTimer* sending_timer_ = nullptr;
    int sending_frame_ = 0;
    bool index_just_changed_ = false;  // since the last choice in 组合框1
    // Only ever grows while the window lives: rows keep their picture's index.
    std::vector<QPixmap> attachment_images_;
};

}  // namespace dezu::mail
