#include "diary/diary_book_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <filesystem>

#include "app/globals.h"
#include "diary/diary_book.h"
#include "platform/files/files.h"
#include "platform/settings/settings_file.h"
#include "platform/ui/controls.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;
using dezu::settings::read_setting;
using dezu::settings::write_setting;

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

DiaryBookWindow::DiaryBookWindow() : Form(ui::windows::kDiaryBook) {
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
    g_diary_dir = g_program_dir + "sj";
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::u8path(g_diary_dir), ec)) {
        if (!dezu::files::make_directory(g_diary_dir)) ui::message_box("建立数据失败");
        return;
    }
    // Filling the list is no choice of the user's.
    const QSignalBlocker quiet(books_);
    for (const std::string& name : diary::list_book_names(g_diary_dir))
        books_->addItem(QString::fromStdString(name));
    books_->setCurrentIndex(-1);
    if (books_->count() == 0) return;
    const std::string remembered =
        read_setting(clock_ini_path(), diary::kSettingsSection, diary::kCurrentBookKey);
    if (!remembered.empty()) {
        books_->setCurrentIndex(books_->findText(QString::fromStdString(remembered),
                                                 Qt::MatchExactly | Qt::MatchCaseSensitive));
        g_current_diary_book = remembered;
    } else {
        books_->setCurrentIndex(0);
        g_current_diary_book = item_text(books_, 0);
    }
}

void DiaryBookWindow::select_diary_book() {
    g_current_diary_book = item_text(books_, books_->currentIndex());
}

void DiaryBookWindow::create_diary_book() {
    const auto fields = diary::diary_book_fields();
    const auto typed =
        ui::input_box("请输入要建立的日记名", "建立日记本", {}, ui::InputMode::Plain, this);
    if (!typed || typed->empty()) return;
    const std::string name = *typed;
    write_setting(clock_ini_path(), diary::kSettingsSection, diary::kCurrentBookKey, name);
    dezu::files::make_directory(g_diary_dir);
    // A name that leaves the folder fails as an unusable file name would.
    if (!diary::is_usable_book_name(name)) return;
    if (!dezu::store::create_store_table(g_diary_dir + "/" + name + diary::kBookExtension, fields))
        return;
    ui::message_box("OK,建立成功", ui::MessageStyle::Plain, std::nullopt, this);
    {
        const QSignalBlocker quiet(books_);
        books_->addItem(QString::fromStdString(name));
        books_->setCurrentIndex(books_->findText(QString::fromStdString(name),
                                                 Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    g_current_diary_book = name;
    write_setting(clock_ini_path(), diary::kSettingsSection, diary::kCurrentBookKey, name);
}

void DiaryBookWindow::delete_diary_book() {
    if (g_current_diary_book.empty()) return;
    const std::string name = g_current_diary_book;
    if (ui::message_box("请确认是否删除这个日记" + name, ui::MessageStyle::YesNo, std::nullopt,
                        this) != ui::Button::Yes)
        return;
    std::error_code ec;
    const std::string table = diary::book_file_path(g_diary_dir, name, diary::kBookExtension);
    if (!std::filesystem::remove(std::filesystem::u8path(table), ec) || ec) return;
    std::filesystem::remove(std::filesystem::u8path(diary::book_file_path(
                                g_diary_dir, name, diary::kSideFileExtension)),
                            ec);
    write_setting(clock_ini_path(), diary::kSettingsSection, diary::kCurrentBookKey, "");
    {
        const QSignalBlocker quiet(books_);
        books_->clear();
    }
    g_current_diary_book.clear();
    load_diary_book_list();
}

void DiaryBookWindow::open_diary_book() {
    g_current_diary_book = item_text(books_, books_->currentIndex());
    if (g_current_diary_book.empty()) {
        ui::message_box("请先选择一个日记本", ui::MessageStyle::Plain, std::nullopt, this);
        return;
    }
    if (!ui::is_window_loaded(ui::windows::kDiaryEditor))
        ui::load_window(ui::windows::kDiaryEditor);
}
