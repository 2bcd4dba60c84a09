#include "player/playlist_window.h"

#include <QButtonGroup>
#include <QCursor>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>
#include <algorithm>

#include "assets/assets.h"
#include "platform/shell/shell_actions.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_ids.h"
#include "platform/ui/window_shape.h"
#include "player/add_media.h"
#include "player/picture_button.h"
#include "player/player.h"

namespace ui = dezu::ui;

namespace dezu::player {

namespace {

const std::vector<ui::FileFilter>& playlist_filter() {
    static const std::vector<ui::FileFilter> filter = {{"*.M3U", {"*.M3U"}}};
    return filter;
}

QLabel* caption_label(QWidget* parent, const char* name, const char* text, int left, int top,
                      int width, int height) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromUtf8(name));
    ui::place(label, left, top, width, height);
    return label;
}

// A row holds a name's own bytes, which need not be UTF-8.
QString shown_row(const std::string& row) {
    return QString::fromStdString(dezu::text::shown_path(row));
}

}  // namespace

PlaylistWindow::PlaylistWindow(Player& player, ui::Prompts& prompts,
                               dezu::shell::ShellActions& shell, bool opacity_enabled)
    : Form(ui::windows::kPlaylist),
      player_(player),
      prompts_(prompts),
      shell_(shell),
      opacity_enabled_(opacity_enabled) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("歌曲列表"));
    set_visible_on_load(false);
    move(50, 50);
    resize(396, 305);
    skin_bytes_ = dezu::assets::asset_bytes("playlist_skin.bmp");
    skin_.loadFromData(reinterpret_cast<const uchar*>(skin_bytes_.data()),
                       uint(skin_bytes_.size()));

    build_list();
    build_buttons();
    build_mode_buttons();
    build_menus();
    follow_player();
    show_rows_from(0);
}

void PlaylistWindow::build_list() {
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("列表框1"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setStyleSheet(QStringLiteral(
        "QListWidget { color: rgb(160, 31, 231); background: rgb(236, 236, 236); }"));
    ui::place(list_, 14, 46, 374, 202);
    list_->viewport()->installEventFilter(this);
}

void PlaylistWindow::build_buttons() {
    const struct {
        const char* name;
        const char* caption;
        int left;
        void (PlaylistWindow::*handler)();
    } buttons[] = {{"超级按钮1", "添加", 16, &PlaylistWindow::popup_add_menu},
                   {"超级按钮2", "删除", 56, &PlaylistWindow::popup_select_menu},
                   {"超级按钮3", "列表", 96, &PlaylistWindow::popup_list_menu}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.caption), this);
        button->setObjectName(QString::fromUtf8(b.name));
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(QStringLiteral(
            "QPushButton { color: rgb(70, 40, 110); border: 1px solid rgb(176, 150, 214);"
            " border-radius: 3px; background: rgb(246, 240, 252); font-size: 11px; }"
            "QPushButton:pressed { background: rgb(214, 196, 240); }"));
        ui::place(button, b.left, 252, 32, 16);
        connect(button, &QPushButton::clicked, this, b.handler);
    }

    auto* close = new PictureButton(this, "图形按钮1");
    close->set_normal_face(dezu::assets::asset_bytes("playlist_close.bmp"));
    close->set_pressed_face(dezu::assets::asset_bytes("playlist_close_hot.bmp"));
    ui::place(close, 355, 5, 33, 32);
    connect(close, &QAbstractButton::clicked, this, &PlaylistWindow::hide_playlist_window);
}

void PlaylistWindow::build_mode_buttons() {
    caption_label(this, "标签1", "播放模式", 153, 253, 53, 16);
    auto* group = new QButtonGroup(this);
    const struct {
        int mode;
        const char* name;
        const char* label_name;
        const char* caption;
        int left, width, height, label_left, label_width, label_height;
        void (PlaylistWindow::*handler)();
    } modes[] = {{2, "单选框2", "标签2", "循环", 209, 12, 11, 225, 24, 16,
                  &PlaylistWindow::select_mode_loop},
                 {1, "单选框1", "标签3", "顺序", 252, 12, 10, 269, 24, 16,
                  &PlaylistWindow::select_mode_sequential},
                 {3, "单选框3", "标签4", "随机", 296, 12, 11, 313, 25, 14,
                  &PlaylistWindow::select_mode_random},
                 {4, "单选框4", "标签5", "单曲", 341, 13, 11, 356, 25, 18,
                  &PlaylistWindow::select_mode_single}};
    for (const auto& m : modes) {
        auto* radio = new QRadioButton(this);
        radio->setObjectName(QString::fromUtf8(m.name));
        radio->setFocusPolicy(Qt::NoFocus);
        // The style's own circle is wider and taller than the places the
        // buttons have, and would lose its right edge.
        radio->setStyleSheet(
            QStringLiteral("QRadioButton { spacing: 0px; }"
                           "QRadioButton::indicator { width: 10px; height: 10px; }"));
        ui::place(radio, m.left, 255, m.width, m.height);
        group->addButton(radio);
        connect(radio, &QRadioButton::clicked, this, m.handler);
        modes_[m.mode - 1] = radio;
        caption_label(this, m.label_name, m.caption, m.label_left, 253, m.label_width,
                      m.label_height);
    }
}

void PlaylistWindow::build_menus() {
    // The file questions belong to the bar, as its open button asks them too.
    add_menu("添加", {{"文件...",
                       [this] {
                           add_files_to_playlist(player_, prompts_,
                                                 ui::loaded_window(ui::windows::kPlayerBar));
                       }},
                      {"目录...", [this] {
                           add_folder_to_playlist(player_, prompts_,
                                                  ui::loaded_window(ui::windows::kPlayerBar));
                       }}});
    add_menu("选择", {{"删除选中的文件", [this] { delete_selected_rows(); }},
                      {"删除未选的文件", [this] { select_all_rows(); }},
                      {"删除文件到回收站", [this] { recycle_selected_files(); }},
                      {"清空歌曲列表", [this] { clear_playlist(); }}});
    add_menu("列表", {{"保存...", [this] { save_playlist_as(); }},
                      {"载入...", [this] { load_playlist_file(); }}});
}

void PlaylistWindow::follow_player() {
    connect(&player_, &Player::rows_reset, this, [this] {
        list_->clear();
        show_rows_from(0);
    });
    connect(&player_, &Player::rows_appended, this, &PlaylistWindow::show_rows_from);
    connect(&player_, &Player::row_removed, this, [this](int row) {
        if (row >= 0 && row < list_->count()) delete list_->takeItem(row);
    });
    connect(&player_, &Player::row_texts_changed, this, [this](int first, int last) {
        for (int i = first; i <= last && i < list_->count(); ++i)
            list_->item(i)->setText(shown_row(player_.row(i)));
    });
    connect(&player_, &Player::row_marked, this, [this](int row, bool selected) {
        if (row >= 0 && row < list_->count()) list_->item(row)->setSelected(selected);
    });
    connect(&player_, &Player::row_shown, this, [this](int row) {
        if (row >= 0 && row < list_->count()) list_->scrollToItem(list_->item(row));
    });
}

void PlaylistWindow::show_rows_from(int first) {
    for (int i = first; i < player_.row_count(); ++i) list_->addItem(shown_row(player_.row(i)));
}

QMenu* PlaylistWindow::add_menu(
    const char* caption,
    std::initializer_list<std::pair<const char*, std::function<void()>>> items) {
    auto* m = new QMenu(QString::fromUtf8(caption), this);
    m->setObjectName(QString::fromUtf8(caption));
    for (const auto& [text, handler] : items)
        connect(m->addAction(QString::fromUtf8(text)), &QAction::triggered, this, handler);
    menus_.push_back(m);
    return m;
}

QMenu* PlaylistWindow::menu(const std::string& caption) const {
    for (QMenu* m : menus_)
        if (m->objectName().toStdString() == caption) return m;
    return nullptr;
}

QRadioButton* PlaylistWindow::mode_button(int mode) const {
    return mode >= 1 && mode <= 4 ? modes_[mode - 1] : nullptr;
}

void PlaylistWindow::init_playlist_window() {
    ui::shape_window_from_picture(this, skin_bytes_, QColor(0, 0, 0));
    if (opacity_enabled_) ui::set_window_opacity(this, 200);
    player_.open_list_at_start();
    const int checked = player_.play_mode() == PlayMode::Sequential ? 1
                        : player_.play_mode() == PlayMode::Loop     ? 2
                        : player_.play_mode() == PlayMode::Random   ? 3
                                                                    : 4;
    modes_[checked - 1]->setChecked(true);
}

void PlaylistWindow::play_activated_row() {
    player_.play_chosen_row(list_->currentRow());
}

void PlaylistWindow::delete_selected_rows() {
    std::vector<int> selected;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected()) selected.push_back(i);
    player_.remove_rows(selected);
    // A list that cannot be written is told by the player.
    static_cast<void>(player_.save_list());
}

void PlaylistWindow::select_all_rows() {
    if (list_->count() > 0) list_->selectAll();
}

void PlaylistWindow::recycle_selected_files() {
    std::vector<std::string> kept;
    for (int i = 0; i < list_->count(); ++i) {
        const std::string path = player_.row(i);
        if (!list_->item(i)->isSelected() || !shell_.move_to_trash(path)) kept.push_back(path);
    }
    player_.replace_rows(std::move(kept));
    static_cast<void>(player_.save_list());
}

void PlaylistWindow::clear_playlist() {
    player_.replace_rows({});
    static_cast<void>(player_.save_list());
}

void PlaylistWindow::save_playlist_as() {
    if (list_->count() == 0) return;
    std::optional<std::string> chosen = prompts_.save_file_dialog(this, "", playlist_filter());
    if (!chosen || chosen->empty()) return;
    // The test is exact: a name ending in ".m3u" still gets ".M3U".
    if (chosen->size() < 4 || chosen->compare(chosen->size() - 4, 4, ".M3U") != 0)
        *chosen += ".M3U";
    player_.set_list_path(*chosen);
    static_cast<void>(player_.save_list());
}

void PlaylistWindow::load_playlist_file() {
    const std::vector<std::string> chosen =
        prompts_.open_file_dialog(this, "", playlist_filter(), "", false);
    if (chosen.empty() || chosen.front().empty()) return;
    // A file that cannot be read adds nothing and is not recorded.
    static_cast<void>(player_.load_list(chosen.front()));
}

void PlaylistWindow::select_mode(int mode) {
    static constexpr PlayMode kModes[] = {PlayMode::Sequential, PlayMode::Loop, PlayMode::Random,
                                          PlayMode::Single};
    if (modes_[mode - 1]->isChecked())
        player_.choose_play_mode(kModes[mode - 1]);
    else
        player_.store_play_mode(kModes[mode - 1]);
}

void PlaylistWindow::select_mode_sequential() {
    select_mode(1);
}
void PlaylistWindow::select_mode_loop() {
    select_mode(2);
}
void PlaylistWindow::select_mode_random() {
    select_mode(3);
}
void PlaylistWindow::select_mode_single() {
    select_mode(4);
}

void PlaylistWindow::popup_add_menu() {
    menu("添加")->popup(QCursor::pos());
}
void PlaylistWindow::popup_select_menu() {
    menu("选择")->popup(QCursor::pos());
}
void PlaylistWindow::popup_list_menu() {
    menu("列表")->popup(QCursor::pos());
}
void PlaylistWindow::popup_select_menu_on_list() {
    popup_select_menu();
}

void PlaylistWindow::hide_playlist_window() {
    hide();
}

void PlaylistWindow::drag_playlist_window() {
    if (QWindow* window = windowHandle()) window->startSystemMove();
}

int PlaylistWindow::row_at(int x, int y) const {
    return list_->indexAt(QPoint(x, y)).row();
}

void PlaylistWindow::drag_reorder_begin(int x, int y) {
    const int row = row_at(x, y);
    if (row < 0) return;
    drag_index_ = row;
    drag_active_ = true;
}

void PlaylistWindow::drag_reorder_move(int x, int y) {
    if (!drag_active_) return;
    const int r = row_at(x, y);
    const int from = drag_index_;
    if (r < 0 || r == from || from < 0 || from >= list_->count() || r >= list_->count()) return;
    // Each entry keeps its own selected mark as the rows shift.
    const int low = std::min(from, r), high = std::max(from, r);
    std::vector<bool> marks;
    for (int i = low; i <= high; ++i) marks.push_back(list_->item(i)->isSelected());
    if (r > from)
        std::rotate(marks.begin(), marks.begin() + 1, marks.end());
    else
        std::rotate(marks.begin(), marks.end() - 1, marks.end());
    player_.move_row(from, r);
    for (int i = low; i <= high; ++i) list_->item(i)->setSelected(marks[std::size_t(i - low)]);
    list_->setCurrentRow(r, QItemSelectionModel::NoUpdate);
    drag_index_ = r;
}

void PlaylistWindow::drag_reorder_end() {
    drag_active_ = false;
}

void PlaylistWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!skin_.isNull()) p.drawPixmap(0, 0, skin_);
}

void PlaylistWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) drag_playlist_window();
    Form::mousePressEvent(event);
}

bool PlaylistWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != list_->viewport()) return Form::eventFilter(watched, event);
    auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!mouse) return false;
    const QPoint at = mouse->position().toPoint();
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse->button() == Qt::LeftButton) drag_reorder_begin(at.x(), at.y());
            break;
        case QEvent::MouseMove:
            // During a drag the list does not see the move, or it would
            // select every row the pointer passes over.
            if (drag_active_) {
                drag_reorder_move(at.x(), at.y());
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (mouse->button() == Qt::LeftButton) drag_reorder_end();
            if (mouse->button() == Qt::RightButton) popup_select_menu_on_list();
            break;
        case QEvent::MouseButtonDblClick:
            // With no current row there is no row to play.
            if (mouse->button() == Qt::LeftButton && list_->currentRow() >= 0) play_activated_row();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace dezu::player
