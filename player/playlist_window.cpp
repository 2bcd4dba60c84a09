#include "player/playlist_window.h"

#include <QButtonGroup>
#include <QCursor>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "app/globals.h"
#include "assets/assets.h"
#include "platform/files/files.h"
#include "platform/settings/settings_file.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/messages.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_ids.h"
#include "platform/ui/window_shape.h"
#include "player/add_media.h"
#include "player/picture_button.h"
#include "player/playback_engine.h"
#include "player/playlist_file.h"

namespace ui = dezu::ui;
using dezu::settings::read_setting;
using dezu::settings::write_setting;

namespace {

bool move_to_recycle_bin(const std::string& path) {
    return QFile::moveToTrash(QString::fromStdString(path));
}

std::function<bool(const std::string&)>& recycler() {
    static std::function<bool(const std::string&)> f = move_to_recycle_bin;
    return f;
}

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

}  // namespace

PlaylistWindow::PlaylistWindow() : Form(ui::windows::kPlaylist) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("歌曲列表"));
    set_visible_on_load(false);
    move(50, 50);
    resize(396, 305);
    skin_bytes_ = dezu::assets::asset_bytes("playlist_skin.bmp");
    skin_.loadFromData(reinterpret_cast<const uchar*>(skin_bytes_.data()),
                       uint(skin_bytes_.size()));

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("列表框1"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setStyleSheet(QStringLiteral(
        "QListWidget { color: rgb(160, 31, 231); background: rgb(236, 236, 236); }"));
    ui::place(list_, 14, 46, 374, 202);
    list_->viewport()->installEventFilter(this);

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
        ui::place(radio, m.left, 255, m.width, m.height);
        group->addButton(radio);
        connect(radio, &QRadioButton::clicked, this, m.handler);
        modes_[m.mode - 1] = radio;
        caption_label(this, m.label_name, m.caption, m.label_left, 253, m.label_width,
                      m.label_height);
    }

    auto* close = new PictureButton(this, "图形按钮1");
    close->set_normal_face(dezu::assets::asset_bytes("playlist_close.bmp"));
    close->set_pressed_face(dezu::assets::asset_bytes("playlist_close_hot.bmp"));
    ui::place(close, 355, 5, 33, 32);
    connect(close, &QAbstractButton::clicked, this, &PlaylistWindow::hide_playlist_window);

    add_menu("添加", {{"文件...", add_files_to_playlist}, {"目录...", add_folder_to_playlist}});
    add_menu("选择", {{"删除选中的文件", [this] { delete_selected_rows(); }},
                      {"删除未选的文件", [this] { select_all_rows(); }},
                      {"删除文件到回收站", [this] { recycle_selected_files(); }},
                      {"清空歌曲列表", [this] { clear_playlist(); }}});
    add_menu("列表", {{"保存...", [this] { save_playlist_as(); }},
                      {"载入...", [this] { load_playlist_file(); }}});
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

void PlaylistWindow::set_recycler_for_test(std::function<bool(const std::string&)> f) {
    recycler() = f ? std::move(f) : move_to_recycle_bin;
}

void PlaylistWindow::init_playlist_window() {
    ui::shape_window_from_picture(this, skin_bytes_, QColor(0, 0, 0));
    if (g_window_opacity_enabled) ui::set_window_opacity(this, 200);
    const std::string ini = clock_ini_path();
    g_playlist_path = read_setting(ini, kPlayerSection, "播放列表");
    if (!g_playlist_path.empty()) {
        if (!dezu::files::file_exists(g_playlist_path)) {
            write_setting(ini, kPlayerSection, "播放列表", "");
        } else if (read_startup_playlist(g_playlist_path) && list_->count() > 0) {
            g_current_track_index = dezu::text::truncate_toward_zero(
                dezu::text::numeric_value(read_setting(ini, kPlayerSection, "歌曲")));
            if (read_setting(ini, "系统参数", "自动播放", "Y") != "N") toggle_play_pause();
        }
    }
    // Read after the auto-play, whose advances use the mode held until now.
    g_play_mode = read_setting(ini, kPlayerSection, "播放模式", "2");
    const int checked = g_play_mode == "1"   ? 1
                        : g_play_mode == "2" ? 2
                        : g_play_mode == "3" ? 3
                                             : 4;
    modes_[checked - 1]->setChecked(true);
}

void PlaylistWindow::play_activated_row() {
    if (g_track_open || g_paused) stop_playback();
    g_current_track_index = list_->currentRow();
    play_track_at(g_current_track_index);
    show_pause_face(true);
}

void PlaylistWindow::delete_selected_rows() {
    const int rows = list_->count();
    std::vector<int> selected;
    for (int i = 0; i < rows; ++i)
        if (list_->item(i)->isSelected()) selected.push_back(i);
    if (rows > 0 && !selected.empty()) {
        if (g_current_track_index > selected.front()) g_current_track_index = selected.front();
        for (auto it = selected.rbegin(); it != selected.rend(); ++it) delete list_->takeItem(*it);
    }
    const int count = list_->count();
    if (g_current_track_index >= 0 && g_current_track_index <= count - 1) {
        list_->item(g_current_track_index)->setSelected(true);
    } else if (g_current_track_index > count - 1 && count > 0) {
        g_current_track_index = count - 1;
        list_->item(g_current_track_index)->setSelected(true);
    }
    rewrite_playlist_file();
}

void PlaylistWindow::select_all_rows() {
    if (list_->count() > 0) list_->selectAll();
}

void PlaylistWindow::recycle_selected_files() {
    QStringList kept;
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        if (!item->isSelected() || !recycler()(item->text().toStdString())) kept << item->text();
    }
    list_->clear();
    list_->addItems(kept);
    rewrite_playlist_file();
}

void PlaylistWindow::clear_playlist() {
    list_->clear();
    rewrite_playlist_file();
}

void PlaylistWindow::save_playlist_as() {
    if (list_->count() == 0) return;
    std::optional<std::string> chosen = ui::save_file_dialog(this, "", playlist_filter());
    if (!chosen || chosen->empty()) return;
    // The test is exact: a name ending in ".m3u" still gets ".M3U".
    if (chosen->size() < 4 || chosen->compare(chosen->size() - 4, 4, ".M3U") != 0)
        *chosen += ".M3U";
    g_playlist_path = *chosen;
    rewrite_playlist_file();
}

void PlaylistWindow::load_playlist_file() {
    const std::vector<std::string> chosen =
        ui::open_file_dialog(this, "", playlist_filter(), "", false);
    if (chosen.empty() || chosen.front().empty()) return;
    g_playlist_path = chosen.front();
    if (append_playlist_lines(g_playlist_path))
        write_setting(clock_ini_path(), kPlayerSection, "播放列表", g_playlist_path);
}

void PlaylistWindow::select_mode(int mode, const char* value) {
    if (modes_[mode - 1]->isChecked()) g_play_mode = value;
    write_setting(clock_ini_path(), kPlayerSection, "播放模式", value);
}

void PlaylistWindow::select_mode_sequential() {
    select_mode(1, "1");
}
void PlaylistWindow::select_mode_loop() {
    select_mode(2, "2");
}
void PlaylistWindow::select_mode_random() {
    select_mode(3, "3");
}
void PlaylistWindow::select_mode_single() {
    select_mode(4, "4");
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
    ui::send_message(this, ui::WM_NCLBUTTONDOWN, ui::HTCAPTION, 0);
}

int PlaylistWindow::row_at(int x, int y) const {
    const std::intptr_t answer =
        ui::send_message(list_, ui::LB_ITEMFROMPOINT, 0,
                         std::intptr_t(x & 0xFFFF) | (std::intptr_t(y & 0xFFFF) << 16));
    return (answer >> 16) & 0xFFFF ? -1 : int(answer & 0xFFFF);
}

void PlaylistWindow::drag_reorder_begin(int x, int y) {
    const int row = row_at(x, y);
    if (row < 0) return;
    g_list_drag_index = row;
    g_list_drag_text = list_->item(row)->text().toStdString();
    g_list_drag_active = true;
}

void PlaylistWindow::drag_reorder_move(int x, int y) {
    if (!g_list_drag_active) return;
    const int r = row_at(x, y);
    const int from = g_list_drag_index;
    if (r < 0 || r == from || from < 0 || from >= list_->count()) return;
    if (r > from)
        for (int i = from + 1; i <= r; ++i) list_->item(i - 1)->setText(list_->item(i)->text());
    else
        for (int i = from - 1; i >= r; --i) list_->item(i + 1)->setText(list_->item(i)->text());
    list_->item(r)->setText(QString::fromStdString(g_list_drag_text));
    g_list_drag_index = r;
}

void PlaylistWindow::drag_reorder_end() {
    g_list_drag_active = false;
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
            drag_reorder_move(at.x(), at.y());
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
