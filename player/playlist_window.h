#pragma once

#include <QPixmap>
#include <functional>
#include <string>

#include "platform/ui/form.h"

class QListWidget;
class QMenu;
class QRadioButton;

// The track list window: the list of paths, the add / remove / list-file
// menus, the four play modes, double click to play and drag to reorder. The
// player bar loads it hidden and destroys it when the bar closes.
class PlaylistWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    PlaylistWindow();

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

    // Moves a file to the recycle bin; true when it went. Tests replace it.
    static void set_recycler_for_test(std::function<bool(const std::string&)> recycler);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void select_mode(int mode, const char* value);
    QMenu* add_menu(const char* caption,
                    std::initializer_list<std::pair<const char*, std::function<void()>>> items);
    // The row under the point, or -1.
    int row_at(int x, int y) const;

    QListWidget* list_ = nullptr;
    QPixmap skin_;
    std::string skin_bytes_;
    QRadioButton* modes_[4] = {};
    std::vector<QMenu*> menus_;
};
