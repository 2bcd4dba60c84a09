#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <utility>

namespace dezu::assets::generator {

using Artwork = QVector<std::pair<QString, QByteArray>>;

// Every file, by its name in assets/files.
Artwork all_artwork();

// One drawing unit per window family; each returns its files.
Artwork launcher_artwork();
Artwork splash_artwork();
Artwork clock_artwork();  // skins, icon, chime and the digit strips
Artwork clock_digit_artwork();
Artwork launcher_face_artwork();
Artwork diary_artwork();
Artwork player_artwork();  // the player bar, its buttons and the playlist skin
Artwork mail_artwork();    // the send button, its animation and the address-panel button

}  // namespace dezu::assets::generator
