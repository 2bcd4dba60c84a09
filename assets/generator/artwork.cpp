#include "artwork.h"

namespace dezu::assets::generator {

Artwork all_artwork() {
    Artwork all;
    all += launcher_artwork();
    all += splash_artwork();
    all += clock_artwork();
    all += launcher_face_artwork();
    all += diary_artwork();
    all += player_artwork();
    all += mail_artwork();
    return all;
}

}  // namespace dezu::assets::generator
