#pragma once

#include <string>
#include <vector>

class QWidget;

namespace dezu::ui {
class Prompts;
}

namespace dezu::player {

class Player;

// Asks for media files (M3U files among them are read line by line) and
// appends them as rows, then stores the list. Cancelling changes nothing.
void add_files_to_playlist(dezu::player::Player& player, dezu::ui::Prompts& prompts,
                           QWidget* owner);

// Asks for a folder, appends every media file in it and its subfolders, then
// stores the list (also when the question was cancelled).
void add_folder_to_playlist(dezu::player::Player& player, dezu::ui::Prompts& prompts,
                            QWidget* owner);

// The media files of the folder whose names match the pattern ("*.*" is
// every name), then those of each subfolder in turn, depth first. Names
// beginning with "." are passed over as folders; a folder reached again
// through a link is not scanned twice.
std::vector<std::string> scan_media_folder(const std::string& pattern, const std::string& folder);

}  // namespace dezu::player
