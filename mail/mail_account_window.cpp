#include "mail/mail_account_window.h"

#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <optional>

#include "mail/mail_accounts.h"
#include "mail/mail_widgets.h"
#include "platform/ui/controls.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

namespace dezu::mail {

namespace {

QLineEdit* add_box(QWidget* parent, const char* name, int l, int t, int w, int h,
                   bool masked = false) {
    auto* box = named(new QLineEdit(parent), name);
    if (masked) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
    }
    ui::place(box, l, t, w, h);
    return box;
}

QPushButton* add_button(QWidget* parent, const char* name, const char* caption, int left) {
    auto* button = named(new QPushButton(QString::fromUtf8(caption), parent), name);
    ui::place(button, left, 360, 40, 32);
    return button;
}

QLabel* add_line(QWidget* parent, const char* name, int l, int t, int w, int h) {
    auto* line = named(new QLabel(parent), name);
    line->setStyleSheet(QStringLiteral("background: grey"));
    ui::place(line, l, t, w, h);
    return line;
}

std::string text_of(const QLineEdit* box) {
    return box->text().toStdString();
}

}  // namespace

MailAccountWindow::MailAccountWindow(mail::MailAccounts& accounts, ui::Prompts& prompts)
    : Form(ui::windows::kMailAccount), mail_(accounts), prompts_(prompts) {
    setWindowTitle(QStringLiteral("编辑"));
    setFixedSize(644, 434);
    mail::fill_background(this, QColor(236, 236, 236));

    accounts_ = named(new QListWidget(this), "列表框1");
    accounts_->setSelectionMode(QAbstractItemView::SingleSelection);
    ui::place(accounts_, 16, 32, 168, 309);
    add_line(this, "标签1", 353, 16, 2, 369);
    add_line(this, "标签3", 16, 353, 607, 2);
    add_label(this, "透明标签7", "发信人：", 195, 32, 150, 16);
    name_ = add_box(this, "用户", 196, 60, 138, 19);
    add_label(this, "透明标签8", "用户密码", 195, 85, 143, 16);
    password_ = add_box(this, "用户密码", 196, 108, 138, 19, true);
    add_label(this, "透明标签9", "发信人地址(服务器验证用)", 195, 139, 150, 16);
    address_ = add_box(this, "用户地址", 196, 167, 138, 19);
    add_label(this, "透明标签10", "邮箱密码  (服务器验证用)", 195, 192, 143, 16);
    smtp_password_ = add_box(this, "邮箱密码", 196, 215, 138, 19, true);
    add_label(this, "透明标签11", "SMTP发信服务器地址", 195, 240, 113, 16);
    server_ = add_box(this, "邮件服务器地址", 196, 265, 138, 19);
    add_label(this, "透明标签12", "SMTP发信服务器端口", 195, 291, 120, 16);
    port_ = add_box(this, "邮件服务器端口", 196, 321, 138, 19);
    port_->setValidator(new QIntValidator(0, 65535, port_));
    port_->setText(QStringLiteral("25"));

    book_ = named(new QTreeWidget(this), "超级列表框2");
    book_->setRootIsDecorated(false);
    book_->setHeaderLabels({QStringLiteral("收信人姓名"), QStringLiteral("收信人地址")});
    book_->setColumnWidth(0, 100);
    book_->setColumnWidth(1, 150);
    ui::place(book_, 369, 32, 254, 240);
    add_label(this, "透明标签13", "收件人姓名", 369, 291, 64, 16);
    new_name_ = add_box(this, "编辑框1", 435, 288, 187, 19);
    add_label(this, "透明标签14", "收件人地址", 368, 320, 64, 16);
    new_address_ = add_box(this, "编辑框2", 435, 320, 188, 19);

    account_buttons_ = {add_button(this, "超级按钮1", "添加", 64),
                        add_button(this, "超级按钮2", "删除", 240)};
    book_buttons_ = {add_button(this, "超级按钮3", "添加", 376),
                     add_button(this, "超级按钮4", "删除", 480),
                     add_button(this, "超级按钮5", "保存", 576)};
    for (QWidget* w : std::initializer_list<QWidget*>{book_, new_name_, new_address_})
        w->setEnabled(false);

    // The chosen row is the selected one: the list taking the focus makes a
    // row current without choosing it.
    connect(accounts_, &QListWidget::itemSelectionChanged, this, [this] { show_account(); });
    connect(account_buttons_[0], &QPushButton::clicked, this, [this] { add_account(); });
    connect(account_buttons_[1], &QPushButton::clicked, this, [this] { delete_account(); });
    connect(book_buttons_[0], &QPushButton::clicked, this, [this] { add_address_entry(); });
    connect(book_buttons_[1], &QPushButton::clicked, this, [this] { delete_address_entry(); });
    connect(book_buttons_[2], &QPushButton::clicked, this, [this] { save_address_book(); });
}

int MailAccountWindow::chosen_row() const {
    const QList<QListWidgetItem*> chosen = accounts_->selectedItems();
    return chosen.isEmpty() ? -1 : accounts_->row(chosen.front());
}

std::vector<QLineEdit*> MailAccountWindow::account_boxes() const {
    return {name_, password_, address_, smtp_password_, server_, port_};
}

void MailAccountWindow::clear_account_boxes() {
    for (QLineEdit* box : account_boxes()) box->clear();
}

void MailAccountWindow::load_account_list() {
    // An account table that could not be read has been told once; its
    // buttons show that it takes nothing now, and why.
    for (QPushButton* b : account_buttons_) {
        b->setEnabled(mail_.is_open());
        b->setToolTip(QString::fromStdString(mail_.open_failure()));
    }
    const QSignalBlocker quiet(accounts_);
    for (const std::string& name : mail_.account_names())
        accounts_->addItem(QString::fromStdString(name));
    accounts_->setCurrentRow(-1);
}

void MailAccountWindow::show_account() {
    clear_account_boxes();
    const int row = chosen_row();
    const std::optional<mail::Account> account = mail_.account_at_row(row);
    if (!account) return;
    book_->clear();
    auto fill = [this, &account] {
        name_->setText(QString::fromStdString(account->name));
        address_->setText(QString::fromStdString(account->address));
        smtp_password_->setText(QString::fromStdString(account->smtp_password));
        server_->setText(QString::fromStdString(account->server));
        port_->setText(QString::fromStdString(account->port));
    };
    if (!account->password.empty()) {
        const auto typed =
            prompts_.input_box("请输入数据库密码", {}, {}, ui::InputMode::Masked, this);
        if (typed && *typed != account->password) {
            const QSignalBlocker quiet(accounts_);
            accounts_->setCurrentRow(-1);
            accounts_->clearSelection();
            prompts_.message_box("密码错误", ui::MessageStyle::Plain, std::string(), this);
            return;
        }
        if (typed) {
            fill();
            password_->setText(QString::fromStdString(account->password));
            if (!book_->isEnabled()) {
                for (QWidget* w : std::initializer_list<QWidget*>{book_, new_name_, new_address_})
                    w->setEnabled(true);
                for (QPushButton* b : book_buttons_) b->setEnabled(true);
            }
        }
    } else {
        fill();
    }
    const auto lines = mail_.read_address_book(text_of(name_));
    if (!lines) return;
    for (const std::string& line : *lines) {
        const auto [entry_name, address] = mail::split_address_line(line);
        auto* item = new QTreeWidgetItem(book_);
        item->setText(0, QString::fromStdString(entry_name));
        item->setText(1, QString::fromStdString(address));
    }
}

void MailAccountWindow::add_account() {
    if (!mail_.is_open()) return;
    if (name_->text().isEmpty() && address_->text().isEmpty() && smtp_password_->text().isEmpty() &&
        server_->text().isEmpty() && port_->text().isEmpty())
        return;
    const mail::Account account{text_of(name_),          text_of(password_), text_of(address_),
                                text_of(smtp_password_), text_of(server_),   text_of(port_)};
    // What was typed stays in the boxes when it could not be stored.
    if (!mail_.add_account(account, this)) return;
    {
        const QSignalBlocker quiet(accounts_);
        accounts_->addItem(name_->text());
    }
    clear_account_boxes();
}

void MailAccountWindow::delete_account() {
    const int row = chosen_row();
    // With nothing chosen there is nothing to delete.
    if (row < 0) return;
    // A record that could not be deleted keeps its row, so rows still match records.
    if (mail_.is_open() && !mail_.remove_account_row(row, this)) return;
    const std::string name = text_of(name_);
    {
        const QSignalBlocker quiet(accounts_);
        delete accounts_->takeItem(row);
        accounts_->setCurrentRow(-1);
    }
    clear_account_boxes();
    if (mail_.remove_address_book(name)) book_->clear();
}

void MailAccountWindow::add_address_entry() {
    if (new_name_->text().isEmpty() || new_address_->text().isEmpty()) return;
    auto* item = new QTreeWidgetItem(book_);
    item->setText(0, new_name_->text());
    item->setText(1, new_address_->text());
    new_name_->clear();
    new_address_->clear();
}

void MailAccountWindow::delete_address_entry() {
    delete book_->currentItem();
}

void MailAccountWindow::save_address_book() {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < book_->topLevelItemCount(); ++i)
        rows.emplace_back(book_->topLevelItem(i)->text(0).toStdString(),
                          book_->topLevelItem(i)->text(1).toStdString());
    // A failed write has been told; the rows stay for another try.
    static_cast<void>(mail_.write_address_book(text_of(name_), rows, this));
}

void MailAccountWindow::refresh_sender_list() {
    mail_.finish_editing();
}

}  // namespace dezu::mail
