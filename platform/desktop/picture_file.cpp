#include "platform/desktop/picture_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <cstdint>

#include "platform/files/files.h"

namespace dezu::desktop {

namespace {

// Opens the file named by the path's bytes as they are.
bool open_file(QFile& file, const std::string& path) {
    if (path.empty()) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

}  // namespace

void allow_large_pictures() {
    // 32 bits a pixel: room for a 100-megapixel photo with some to spare,
    // while a damaged header that claims gigapixels is still refused.
    constexpr int kLimitMb = 1024;
    const int limit = QImageReader::allocationLimit();
    if (limit != 0 && limit < kLimitMb) QImageReader::setAllocationLimit(kLimitMb);
}

void flatten_onto_matte(QImage& picture) {
    if (picture.isNull() || !picture.hasAlphaChannel()) return;
    picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    const auto blend = [](unsigned colour, unsigned alpha, unsigned matte) {
        return colour + ((255 - alpha) * matte + 127) / 255;
    };
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = line[x];
            const unsigned a = qAlpha(p);
            line[x] = qRgb(blend(qRed(p), a, qRed(kMatte)), blend(qGreen(p), a, qGreen(kMatte)),
                           blend(qBlue(p), a, qBlue(kMatte)));
        }
    }
    picture.reinterpretAsFormat(QImage::Format_RGB32);
}

void release_picture(QImage& picture) {
    // Handing a few hundred megabytes back in one go holds the process's
    // memory map for tens of milliseconds, and the UI thread with it.
    constexpr std::uintptr_t kPiece = 8 << 20;
    if (!picture.isNull() && picture.isDetached() && picture.sizeInBytes() > qsizetype(kPiece)) {
        const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        const auto first = reinterpret_cast<std::uintptr_t>(picture.bits());
        const std::uintptr_t start = (first + page - 1) / page * page;
        const std::uintptr_t end = (first + std::uintptr_t(picture.sizeInBytes())) / page * page;
        for (std::uintptr_t p = start; p < end; p += kPiece)
            // NOLINTNEXTLINE(performance-no-int-to-ptr): page arithmetic on our own buffer
            ::madvise(reinterpret_cast<void*>(p), std::min(kPiece, end - p), MADV_DONTNEED);
    }
    picture = QImage();
}

QImage read_picture(const std::string& path) {
    QFile file;
    if (!open_file(file, path)) return {};
    QImageReader reader(&file);
    QImage picture = reader.read();
    flatten_onto_matte(picture);
    return picture;
}

Preview read_preview(const std::string& path, QSize box) {
    Preview preview;
    QFile file;
    if (!open_file(file, path)) return preview;
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return preview;
    preview.size = size;
    if (size.width() > box.width() || size.height() > box.height())
        reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    preview.picture = reader.read();
    flatten_onto_matte(preview.picture);
    return preview;
}

QImage convert_picture_to_bmp(const std::string& source, const std::string& target,
                              const std::function<bool()>& stop) {
    if (target.empty()) return {};
    QImage picture = read_picture(source);
    if (picture.isNull() || (stop && stop())) return {};
    // Named by the target's bytes, which a QString would not keep.
    const files::WriteResult written = files::write_whole_file(target, [&](int fd) {
        QFile file;
        return file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle) &&
               picture.save(&file, "BMP") && file.flush() && !(stop && stop());
    });
    return written ? picture : QImage();
}

}  // namespace dezu::desktop
