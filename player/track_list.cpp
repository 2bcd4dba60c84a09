#include "player/track_list.h"

#include <QListWidget>

#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

QListWidget* track_list() {
    ui::Form* w = ui::loaded_window(ui::windows::kPlaylist);
    return w ? w->control<QListWidget>("列表框1") : nullptr;
}

int track_count() {
    QListWidget* list = track_list();
    return list ? list->count() : 0;
}

std::string track_text(int row) {
    QListWidget* list = track_list();
    if (!list || row < 0 || row >= list->count()) return {};
    return list->item(row)->text().toStdString();
}

void set_track_selected(int row, bool selected) {
    QListWidget* list = track_list();
    if (list && row >= 0 && row < list->count()) list->item(row)->setSelected(selected);
}

void scroll_to_track(int row) {
    QListWidget* list = track_list();
    if (list && row >= 0 && row < list->count()) list->scrollToItem(list->item(row));
}

void append_track(const std::string& path) {
    if (QListWidget* list = track_list()) list->addItem(QString::fromStdString(path));
}

std::vector<std::string> all_tracks() {
    std::vector<std::string> rows;
    const int count = track_count();
    rows.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) rows.push_back(track_text(i));
    return rows;
}
