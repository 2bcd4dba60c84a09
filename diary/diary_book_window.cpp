#include "diary/diary_book_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <filesystem>

#include "diary/diary_book.h"
#include "diary/diary_session.h"
#include "platform/files/files.h"
#include "platform/ui/controls.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

namespace dezu::diary {

namespace {

QPushButton* add_button(QWidget* parent, const char* name, const char* caption, int left) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    ui::place(button, left, 53, 72, 20);
    return button;
}

std::string item_text(QComboBox* box, int index) {
    return index < 0 ? std::string() : box->itemText(index).toStdString();
}

}  // namespace

DiaryBookWindow::DiaryBookWindow(DiarySession& session, ui::Prompts& prompts)
    : Form(ui::windows::kDiaryBook), session_(session), prompts_(prompts) {
    setWindowTitle(QStringLiteral("选择日记本"));
    setFixedSize(289, 118);
    move(50, 50);
    auto* label = new QLabel(QStringLiteral("日记名称"), this);
    label->setObjectName(QStringLiteral("标签1"));
    ui::place(label, 9, 18, 72, 16);
    books_ = new QComboBox(this);
    books_->setObjectName(QStringLiteral("组合框1"));
    ui::place(books_, 80, 16, 184, 20);
    connect(books_, &QComboBox::currentIndexChanged, this, [this] { select_diary_book(); });
    connect(add_button(this, "按钮2", "新建", 16), &QPushButton::clicked, this,
            [this] { create_diary_book(); });
    connect(add_button(this, "按钮3", "删除", 104), &QPushButton::clicked, this,
            [this] { delete_diary_book(); });
    connect(add_button(this, "按钮1", "打开", 192), &QPushButton::clicked, this,
            [this] { open_diary_book(); });
}

void DiaryBookWindow::load_diary_book_list() {
    ui::apply_visual_style(3);
    session_.use_program_diary_dir();
    const std::string& folder = session_.diary_dir();
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::u8path(folder), ec)) {
        if (!dezu::files::make_directory(folder))
            prompts_.message_box("建立数据失败", ui::MessageStyle::Plain, std::nullopt, this);
        return;
    }
    // Filling the list is no choice of the user's.
    const QSignalBlocker quiet(books_);
    for (const std::string& name : diary::list_book_names(folder))
        books_->addItem(QString::fromStdString(name));
    books_->setCurrentIndex(-1);
    if (books_->count() == 0) return;
    const std::string remembered = session_.remembered_book();
    if (!remembered.empty()) {
        books_->setCurrentIndex(books_->findText(QString::fromStdString(remembered),
                                                 Qt::MatchExactly | Qt::MatchCaseSensitive));
        session_.set_current_book(remembered);
    } else {
        books_->setCurrentIndex(0);
        session_.set_current_book(item_text(books_, 0));
    }
}

void DiaryBookWindow::select_diary_book() {
    session_.set_current_book(item_text(books_, books_->currentIndex()));
}

void DiaryBookWindow::create_diary_book() {
    const auto typed =
        prompts_.input_box("请输入要建立的日记名", "建立日记本", {}, ui::InputMode::Plain, this);
    if (!typed || typed->empty()) return;
    const std::string& name = *typed;
    session_.remember_book(name);
    // The table's path is a full one; whether the folder is made is seen there.
    static_cast<void>(dezu::files::make_directory(session_.diary_dir()));
    if (!session_.create_book(name, this)) return;
    prompts_.message_box("OK,建立成功", ui::MessageStyle::Plain, std::nullopt, this);
    {
        const QSignalBlocker quiet(books_);
        books_->addItem(QString::fromStdString(name));
        books_->setCurrentIndex(books_->findText(QString::fromStdString(name),
                                                 Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    session_.set_current_book(name);
    session_.remember_book(name);
}

void DiaryBookWindow::delete_diary_book() {
    if (session_.current_book().empty()) return;
    const std::string name = session_.current_book();
    if (prompts_.message_box("请确认是否删除这个日记" + name, ui::MessageStyle::YesNo, std::nullopt,
                             this) != ui::Button::Yes)
        return;
    if (!session_.delete_book(name)) return;
    session_.remember_book("");
    {
        const QSignalBlocker quiet(books_);
        books_->clear();
    }
    session_.set_current_book("");
    load_diary_book_list();
}

void DiaryBookWindow::open_diary_book() {
    session_.set_current_book(item_text(books_, books_->currentIndex()));
    if (session_.current_book().empty()) {
        prompts_.message_box("请先选择一个日记本", ui::MessageStyle::Plain, std::nullopt, this);
        return;
    }
    if (!ui::is_window_loaded(ui::windows::kDiaryEditor))
        ui::load_window(ui::windows::kDiaryEditor);
}

}  // namespace dezu::diary
