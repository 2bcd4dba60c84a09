#pragma once

#include <string>
#include <vector>

class QListWidget;

// The track list: the rows of the playlist window's list box, numbered from
// 0, each the full path of a media file. While the playlist window is not
// loaded there is no list: it has no rows and takes none.
QListWidget* track_list();
int track_count();
// The row's text; the empty text (a path at which no file exists) for a row
// outside the list.
std::string track_text(int row);
void set_track_selected(int row, bool selected);
void scroll_to_track(int row);
void append_track(const std::string& path);
std::vector<std::string> all_tracks();
