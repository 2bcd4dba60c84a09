#include "mail/mail_compose_window.h"

#include <QComboBox>
#include <QEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <utility>

#include "assets/assets.h"
#include "mail/mail_accounts.h"
#include "mail/mail_widgets.h"
#include "platform/network/mail_addresses.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/prompts.h"
#include "platform/ui/status_bar.h"
#include "platform/ui/window_ids.h"

namespace net = dezu::network;
namespace ui = dezu::ui;

namespace dezu::mail {

namespace {

QPushButton* add_button(QWidget* parent, const char* name, const char* caption, int l, int t, int w,
                        int h) {
    auto* button = named(new QPushButton(QString::fromUtf8(caption), parent), name);
    ui::place(button, l, t, w, h);
    return button;
}

QPixmap asset_picture(const char* name) {
    QPixmap picture;
    const std::string bytes = dezu::assets::asset_bytes(name);
    picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                         static_cast<uint>(bytes.size()));
    return picture;
}

// The animation under the send button: 11 frames of 60 ms, 1000 rounds.
constexpr int kSendingFrames = 11;
constexpr int kSendingFrameWidth = 62;
constexpr int kSendingRounds = 1000;

}  // namespace

MailComposeWindow::MailComposeWindow(mail::MailAccounts& accounts, ui::Prompts& prompts)
    : Form(ui::windows::kMailCompose), mail_(accounts), prompts_(prompts) {
    setWindowTitle(QStringLiteral("编辑邮件"));
    setFixedSize(612, 512);
    mail::fill_background(this, QColor(236, 236, 236));

    add_label(this, "标签1", "发信人", 28, 13, 36, 24);
    senders_ = named(new QComboBox(this), "组合框1");
    ui::place(senders_, 72, 16, 432, 20);
    add_label(this, "标签2", "收信人", 28, 37, 36, 24);
    recipients_ = named(new QLineEdit(this), "收信人地址");
    ui::place(recipients_, 72, 40, 408, 22);
    auto* panel_button = named(new QToolButton(this), "图形按钮2");
    ui::place(panel_button, 481, 38, 24, 24);
    QIcon panel_icon(asset_picture("mail_panel.png"));
    panel_icon.addPixmap(asset_picture("mail_panel_down.png"), QIcon::Active);
    panel_button->setIcon(panel_icon);
    panel_button->setAutoRaise(true);
    add_label(this, "透明标签5", "标 题", 29, 67, 33, 17);
    subject_ = named(new QLineEdit(this), "邮件标题");
    ui::place(subject_, 72, 67, 432, 22);
    body_ = named(new QPlainTextEdit(this), "邮件内容");
    body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui::place(body_, 17, 96, 399, 357);
    attachments_ = named(new QListWidget(this), "超级列表框1");
    attachments_->setViewMode(QListView::IconMode);
    attachments_->setIconSize(QSize(32, 32));
    attachments_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    attachments_->setWordWrap(true);
    ui::place(attachments_, 432, 96, 152, 328);

    // The picture under the send button is what shows while a send runs.
    sending_ = new ui::PictureBox(this, "图片框1");
    sending_->setAlignment(Qt::AlignCenter);
    ui::place(sending_, 515, 16, 68, 63);
    sending_frames_ = asset_picture("mail_sending.png");
    show_sending_frame(0);
    sending_timer_ = new QTimer(this);
    sending_timer_->setInterval(60);
    connect(sending_timer_, &QTimer::timeout, this, [this] {
        if (++sending_frame_ >= kSendingFrames * kSendingRounds) sending_timer_->stop();
        show_sending_frame(sending_frame_ % kSendingFrames);
    });
    send_ = add_button(this, "超级按钮1", "", 515, 16, 68, 63);
    send_->setIcon(QIcon(asset_picture("mail_send.png")));
    send_->setIconSize(QSize(67, 62));
    send_->setFlat(true);
    auto* add = add_button(this, "超级按钮2", "添加附件", 432, 432, 64, 24);
    auto* clear = add_button(this, "超级按钮3", "清除附件", 520, 432, 64, 24);
    auto* board = named(new QLabel(this), "画板1");
    ui::place(board, 466, 335, 32, 32);
    board->hide();
    status_ = new ui::StatusBar(this, "状态条1", {400, -1});
    ui::place(status_, 0, 460, 606, 20);

    panel_ = named(new QFrame(this), "外形框1");
    ui::place(panel_, 273, 63, 230, 232);
    mail::fill_background(panel_, QColor(220, 220, 220));
    panel_->setFrameShape(QFrame::Box);
    entries_ = named(new QListWidget(panel_), "选择列表框1");
    ui::place(entries_, 0, 0, 228, 203);
    auto* all = add_button(panel_, "按钮1", "全选", 9, 208, 33, 18);
    auto* none = add_button(panel_, "按钮2", "反选", 54, 208, 33, 18);
    auto* confirm = add_button(panel_, "按钮3", "确定", 98, 208, 33, 18);
    auto* cancel = add_button(panel_, "按钮4", "取消", 146, 208, 33, 18);
    auto* edit = add_button(panel_, "按钮5", "编辑", 191, 208, 33, 18);
    panel_->hide();
    panel_->raise();

    connect(senders_, &QComboBox::currentIndexChanged, this, [this] {
        index_just_changed_ = true;
        select_sender_account();
    });
    // The sender shown, chosen once more, is asked again for a password that
    // was not given; a choice that changed the sender was handled above.
    connect(senders_, &QComboBox::activated, this, [this] {
        if (!std::exchange(index_just_changed_, false) && !mail_.current_sender_may_send())
            select_sender_account();
    });
    connect(panel_button, &QToolButton::clicked, this, [this] { toggle_address_panel(); });
    connect(all, &QPushButton::clicked, this, [this] { check_all_address_entries(); });
    connect(none, &QPushButton::clicked, this, [this] { uncheck_all_address_entries(); });
    connect(confirm, &QPushButton::clicked, this, [this] { fill_recipients_from_address_book(); });
    connect(cancel, &QPushButton::clicked, this, [this] { hide_address_panel(); });
    connect(edit, &QPushButton::clicked, this, [this] { open_account_editor(); });
    connect(send_, &QPushButton::clicked, this, [this] { start_send_mail(); });
    connect(add, &QPushButton::clicked, this, [this] { add_attachment(); });
    connect(clear, &QPushButton::clicked, this, [this] { remove_selected_attachments(); });
    for (QWidget* w :
         std::initializer_list<QWidget*>{senders_, recipients_, subject_, body_, attachments_})
        w->installEventFilter(this);
    send_->installEventFilter(this);
    connect(&mail_, &mail::MailAccounts::accounts_edited, this, [this] { list_senders(); });
    connect(&mail_, &mail::MailAccounts::send_ended, this,
            [this](const mail::SendResult& result) { end_send(result); });
}

void MailComposeWindow::show_sending_frame(int frame) {
    sending_->setPixmap(sending_frames_.copy(frame * kSendingFrameWidth, 0, kSendingFrameWidth,
                                             sending_frames_.height()));
}

bool MailComposeWindow::eventFilter(QObject* watched, QEvent* event) {
    // The animation plays only while the send button is away.
    if (watched == send_ && event->type() == QEvent::Hide && send_->isHidden()) {
        sending_frame_ = 0;
        sending_timer_->start();
    } else if (watched == send_ && event->type() == QEvent::Show) {
        sending_timer_->stop();
        show_sending_frame(0);
    }
    if (event->type() == QEvent::FocusIn) hide_address_panel_on_focus();
    return Form::eventFilter(watched, event);
}

void MailComposeWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        hide_address_panel_on_focus();
    Form::changeEvent(event);
}

void MailComposeWindow::load_sender_accounts() {
    ui::apply_visual_style(2);
    attachment_images_.clear();
    mail_.open_table(this);
    list_senders();
}

void MailComposeWindow::list_senders() {
    const QSignalBlocker quiet(senders_);
    senders_->clear();
    for (const std::string& name : mail_.account_names())
        senders_->addItem(QString::fromStdString(name));
    senders_->setCurrentIndex(-1);
}

void MailComposeWindow::close_account_db() {
    // A send still on its way is not wanted any more.
    mail_.cancel_send();
    mail_.close_table();
}

void MailComposeWindow::select_sender_account() {
    const int row = senders_->currentIndex();
    const std::optional<mail::Account> account = mail_.account_at_row(row);
    if (!account) return;
    if (!account->password.empty()) {
        const auto typed =
            prompts_.input_box("请输入用户密码", {}, {}, ui::InputMode::Masked, this);
        if (!typed || *typed != account->password) {
            mail_.refuse_sender();
            if (typed)
                prompts_.message_box("密码错误", ui::MessageStyle::Plain, std::string(), this);
            return;
        }
    }
    mail_.accept_sender(senders_->itemText(row).toStdString());
    const auto lines = mail_.read_address_book(mail_.current_sender_name());
    if (!lines) return;
    entries_->clear();
    for (const std::string& line : *lines) {
        auto* item = new QListWidgetItem(QString::fromStdString(line), entries_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void MailComposeWindow::hide_address_panel_on_focus() {
    if (panel_->isVisible()) panel_->hide();
}

void MailComposeWindow::toggle_address_panel() {
    panel_->setVisible(panel_->isHidden());
}

void MailComposeWindow::check_all_address_entries() {
    for (int i = 0; i < entries_->count(); ++i) entries_->item(i)->setCheckState(Qt::Checked);
}

void MailComposeWindow::uncheck_all_address_entries() {
    for (int i = 0; i < entries_->count(); ++i) entries_->item(i)->setCheckState(Qt::Unchecked);
}

void MailComposeWindow::fill_recipients_from_address_book() {
    std::string recipients;
    for (int i = 0; i < entries_->count(); ++i) {
        if (entries_->item(i)->checkState() != Qt::Checked) continue;
        const auto [name, address] =
            mail::split_address_line(entries_->item(i)->text().toStdString());
        // A name such as "Wang, Wu" goes in quotes, or the send would split it.
        if (!recipients.empty()) recipients += ',';
        recipients += net::mailbox_text({name, address});
    }
    recipients_->setText(QString::fromStdString(recipients));
    panel_->hide();
}

void MailComposeWindow::hide_address_panel() {
    panel_->hide();
}

void MailComposeWindow::open_account_editor() {
    if (!ui::is_window_loaded(ui::windows::kMailAccount))
        ui::load_window(ui::windows::kMailAccount, true);
    panel_->hide();
}

QPixmap MailComposeWindow::attachment_icon(const std::string& path) const {
    QPixmap board(32, 32);
    board.fill(Qt::white);
    const QIcon icon = QFileIconProvider().icon(QFileInfo(QString::fromStdString(path)));
    if (!icon.isNull()) {
        QPainter p(&board);
        icon.paint(&p, QRect(0, 0, 32, 32));
    }
    return board;
}

void MailComposeWindow::add_attachment() {
    hide_address_panel_on_focus();
    const auto files = prompts_.open_file_dialog(this, "请输入欲加作附件的文件名：", {}, {}, false);
    if (files.empty()) return;
    const std::string& file = files.front();
    attachment_images_.push_back(attachment_icon(file));
    auto* row = new QListWidgetItem(QIcon(attachment_images_.back()), QString::fromStdString(file));
    attachments_->addItem(row);
}

void MailComposeWindow::remove_selected_attachments() {
    std::vector<int> rows;
    for (const QModelIndex& index : attachments_->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    for (int k = 0; k < static_cast<int>(rows.size()); ++k)
        delete attachments_->takeItem(rows[k] - k);
    hide_address_panel_on_focus();
}

void MailComposeWindow::start_send_mail() {
    // Read as the send will read it: what passes here is what goes.
    const std::string typed = recipients_->text().toStdString();
    const net::MailboxList recipients = net::parse_mailboxes(typed);
    if (subject_->text().isEmpty() || body_->toPlainText().isEmpty() || recipients.empty()) {
        prompts_.message_box("请填写邮件", ui::MessageStyle::Plain, std::string(), this);
        return;
    }
    // Nothing is connected for a mail that could not go as it stands. The
    // sender shown may still be given its password.
    if (!mail_.current_sender_may_send() && senders_->currentIndex() >= 0) select_sender_account();
    if (!mail_.current_sender_may_send()) {
        status_->set_part_text(0, "发信人的用户密码没有输入正确，邮件没有发送");
        return;
    }
    // The send goes as things stand now: later edits, another sender or
    // another table current elsewhere do not reach it.
    const mail::Account account = mail_.current_account();
    if (account.address.empty()) {
        status_->set_part_text(0, "没有发信人地址，邮件没有发送");
        return;
    }
    if (!net::is_single_address(account.address)) {
        status_->set_part_text(
            0, "发信人地址有误，邮件没有发送：" + dezu::text::visible_text(account.address));
        return;
    }
    if (recipients.refused) {
        status_->set_part_text(
            0, "收信人地址有误，邮件没有发送：" + dezu::text::visible_text(*recipients.refused));
        return;
    }
    send_->hide();
    mail::OutgoingMail mail;
    for (int row = 0; row < attachments_->count(); ++row)
        mail.attachments.push_back(attachments_->item(row)->text().toStdString());
    mail.server = account.server;
    mail.port = mail::account_port(account.port);
    mail.login = account.address;
    mail.password = account.smtp_password;
    mail.subject = subject_->text().toStdString();
    mail.body = body_->toPlainText().toStdString();
    mail.recipients = typed;
    mail_.send(std::move(mail));
}

void MailComposeWindow::end_send(const mail::SendResult& result) {
    if (result.refused_attachment)
        prompts_.message_box("添加附件" + *result.refused_attachment + "失败！",
                             ui::MessageStyle::Stop, std::string("失败"), this);
    send_->setVisible(true);
    if (!result.refused_attachment) status_->set_part_text(0, result.status);
}

}  // namespace dezu::mail
