#include "wallpaper/wallpaper_change.h"

#include <sys/stat.h>

#include <QCryptographicHash>
#include <filesystem>
#include <system_error>

#include "platform/desktop/picture_file.h"
#include "platform/files/files.h"
#include "platform/text/text.h"

namespace dezu::wallpaper {

namespace fs = std::filesystem;

namespace {

bool modified_before(const struct stat& a, const struct stat& b) {
    return a.st_mtim.tv_sec != b.st_mtim.tv_sec ? a.st_mtim.tv_sec < b.st_mtim.tv_sec
                                                : a.st_mtim.tv_nsec < b.st_mtim.tv_nsec;
}

// Puts a new name in the given one's place at once: a hard link to the file
// (a copy where the file system has no links), or a symbolic link.
bool make_name(const std::string& file, const std::string& name, bool hard) {
    const fs::path temporary(name + ".new");
    std::error_code ec;
    fs::remove(temporary, ec);
    ec.clear();
    if (hard) {
        fs::create_hard_link(file, temporary, ec);
        if (ec) {
            ec.clear();
            fs::copy_file(file, temporary, ec);
        }
    } else {
        fs::create_symlink(fs::absolute(fs::path(file), ec), temporary, ec);
    }
    if (!ec) fs::rename(temporary, name, ec);
    if (!ec) return true;
    fs::remove(temporary, ec);
    return false;
}

}  // namespace

std::string HandOver::next_name(const std::string& folder) {
    const std::string first = folder + "WALLPAPER1.BMP";
    const std::string second = folder + "WALLPAPER2.BMP";
    if (last_ == first) return last_ = second;
    if (last_ == second) return last_ = first;
    // The first change of a run: the desktop may still show the name that
    // was made last in the run before.
    struct stat a {
    }, b{};
    const bool have_first = ::lstat(first.c_str(), &a) == 0;
    const bool have_second = ::lstat(second.c_str(), &b) == 0;
    last_ = !have_first || (have_second && !modified_before(b, a)) ? first : second;
    return last_;
}

std::string hand_over_folder(const std::string& program_folder) {
    if (text::is_valid_utf8(program_folder)) return program_folder;
    const std::string data = files::user_data_dir();
    if (data.empty() || !text::is_valid_utf8(data)) return program_folder;
    // One folder per program folder, so that two copies never take each
    // other's names.
    const QByteArray key = QCryptographicHash::hash(QByteArray::fromStdString(program_folder),
                                                    QCryptographicHash::Sha256)
                               .toHex()
                               .left(16);
    const std::string folder = data + "/dezu/wallpaper-" + key.toStdString() + "/";
    return files::make_directory(folder) ? folder : program_folder;
}

bool is_bmp_path(const std::string& path) {
    return text::ends_with_ignoring_case(path, ".BMP");
}

ChangeResult carry_out_change(const ChangeRequest& request, desktop::DesktopSetter& desktop,
                              HandOver& hand_over, const std::function<bool()>& stop) {
    ChangeResult result;
    result.picture = request.picture;
    result.handed = request.picture;
    QImage picture;
    const struct Release {
        QImage& picture;
        ~Release() { desktop::release_picture(picture); }
    } release{picture};
    if (!is_bmp_path(request.picture)) {
        const std::string converted = request.folder + "WALLPAPER.BMP";
        picture = desktop::convert_picture_to_bmp(request.picture, converted,
                                                  {request.style, request.screen_size}, stop);
        result.converted = !picture.isNull();
        if (result.converted) result.handed = converted;
    }
    if (stop()) return result;
    if (!result.handed.empty() && (result.converted || !text::is_valid_utf8(result.handed))) {
        const std::string name = hand_over.next_name(hand_over_folder(request.folder));
        if (make_name(result.handed, name, result.converted)) result.handed = name;
    }
    if (stop()) return result;
    result.taken = result.converted
                       ? desktop.set_decoded_wallpaper(result.handed, request.style, picture)
                       : desktop.set_wallpaper(result.handed, request.style);
    return result;
}

}  // namespace dezu::wallpaper
