#pragma once

#include <QPixmap>
#include <functional>
#include <string>

#include "platform/ui/form.h"

class QListWidget;
class QMenu;
class QRadioButton;

namespace dezu::ui {
class Prompts;
}
namespace dezu::shell {
class ShellActions;
}

namespace dezu::player {

class Player;

// The track list window, a view of the Player's rows: the list of paths, the
// add / remove / list-file menus, the four play modes, double click to play
// and drag to reorder. The player bar loads it hidden and destroys it when
// the bar closes.
class PlaylistWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    PlaylistWindow(dezu::player::Player& player, dezu::ui::Prompts& prompts,
                   dezu::shell::ShellActions& shell, bool opacity_enabled);

    void on_created() override { init_playlist_window(); }

    // Handlers.
    void init_playlist_window();
    void play_activated_row();
    void delete_selected_rows();
    void select_all_rows();
    void recycle_selected_files();
    void clear_playlist();
    void save_playlist_as();
    void load_playlist_file();
    void select_mode_sequential();
    void select_mode_loop();
    void select_mode_random();
    void select_mode_single();
    void popup_add_menu();
    void popup_select_menu();
    void popup_list_menu();
    void popup_select_menu_on_list();
    void hide_playlist_window();
    void drag_playlist_window();
    // Pointer positions are in the list's own pixels.
    void drag_reorder_begin(int x, int y);
    void drag_reorder_move(int x, int y);
    void drag_reorder_end();

    QListWidget* list() const { return list_; }
    QRadioButton* mode_button(int mode) const;  // 1..4
    QMenu* menu(const std::string& caption) const;
    bool drag_active() const { return drag_active_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's parts: the controls in the skin's places, then the
    // player's row signals that keep the list in step.
    void build_list();
    void build_buttons();
    void build_mode_buttons();
    void build_menus();
    void follow_player();
    void select_mode(int mode);
    void show_rows_from(int first);
    QMenu* add_menu(const char* caption,
                    std::initializer_list<std::pair<const char*, std::function<void()>>> items);
    // The row under the point, or -1.
    int row_at(int x, int y) const;

    dezu::player::Player& player_;
    dezu::ui::Prompts& prompts_;
    dezu::shell::ShellActions& shell_;
    bool opacity_enabled_;
    QListWidget* list_ = nullptr;
    bool drag_active_ = false;
    int drag_index_ = 0;
    QPixmap skin_;
    std::string skin_bytes_;
    QRadioButton* modes_[4] = {};
    std::vector<QMenu*> menus_;
};

}  // namespace dezu::player
