#include "platform/desktop/picture_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImageReader>
#include <QTransform>
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

// A picture as the file stores it and as it is seen. The reader turns it
// upright after decoding, so a size or a part asked of it is given the way
// the file stores it.
class Orientation {
public:
    // Asks the reader to turn what it reads upright.
    explicit Orientation(QImageReader& reader) : stored_(reader.size()) {
        reader.setAutoTransform(true);
        if (!stored_.isValid()) return;
        const QImageIOHandler::Transformations turn = reader.transformation();
        if (turn & QImageIOHandler::TransformationMirror)
            to_upright_ *= QTransform(-1, 0, 0, 1, stored_.width(), 0);
        if (turn & QImageIOHandler::TransformationFlip)
            to_upright_ *= QTransform(1, 0, 0, -1, 0, stored_.height());
        if (turn & QImageIOHandler::TransformationRotate90)
            to_upright_ *= QTransform(0, 1, -1, 0, stored_.height(), 0);
    }

    // Invalid when the header gives no size.
    QSize upright_size() const {
        return stored_.isValid() ? map(QRect(QPoint(), stored_), to_upright_).size() : stored_;
    }
    QRect stored_part(const QRect& upright) const { return map(upright, to_upright_.inverted()); }
    QSize stored_size(const QSize& upright) const {
        return stored_part(QRect(QPoint(), upright)).size();
    }

private:
    static QRect map(const QRect& rect, const QTransform& transform) {
        return transform.mapRect(QRectF(rect)).toAlignedRect();
    }

    QSize stored_;
    QTransform to_upright_;
};

// The upright size the desktop needs the picture scaled down to, or an
// invalid size when it needs it at its own size. Centred or tiled, the reader
// is asked for no more of it than a screen shows.
QSize read_what_is_shown(QImageReader& reader, const Orientation& orientation,
                         const Showing& showing) {
    const QSize whole = orientation.upright_size();
    const QSize screen = showing.screen_size;
    if (!whole.isValid() || whole.isEmpty() || screen.isEmpty()) return {};
    if (showing.style == kCentre || showing.style == kTile) {
        // At its own size no more than a screen's worth shows: the top left
        // when tiled, the middle when centred.
        QSize part = whole.boundedTo(screen);
        QPoint at(0, 0);
        if (showing.style == kCentre) {
            // An even number of pixels cut off, half on either side: the
            // desktop then puts each pixel that is left where it would put
            // it of the whole picture, whichever way it rounds a half.
            part += QSize((whole.width() - part.width()) % 2, (whole.height() - part.height()) % 2);
            at = QPoint((whole.width() - part.width()) / 2, (whole.height() - part.height()) / 2);
        }
        if (part != whole) reader.setClipRect(orientation.stored_part(QRect(at, part)));
        return {};
    }
    // Stretched, any size that still covers the screens looks the same.
    const QSize covering = whole.scaled(screen, Qt::KeepAspectRatioByExpanding);
    if (covering.width() < whole.width() && covering.height() < whole.height()) return covering;
    return {};
}

// Reads the picture upright and flattened onto the matte, scaled to the
// upright size when that is valid.
QImage read_flat(QImageReader& reader, const Orientation& orientation, QSize scaled) {
    // Qt's smooth scaling of 16-bit channels with unpremultiplied alpha loses
    // much of the alpha, so a see-through picture is laid on the matte before
    // it is scaled. A damaged file's header may give any number as its format.
    const QImage::Format format = reader.imageFormat();
    const bool see_through = format > QImage::Format_Invalid && format < QImage::NImageFormats &&
                             QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::UsesAlpha;
    if (scaled.isValid() && !see_through) reader.setScaledSize(orientation.stored_size(scaled));
    QImage picture = reader.read();
    flatten_onto_matte(picture);
    if (picture.isNull() || !scaled.isValid() || picture.size() == scaled) return picture;
    QImage smaller = picture.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    release_picture(picture);
    return smaller;
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

QImage read_picture(const std::string& path, const Showing& showing) {
    QFile file;
    if (!open_file(file, path)) return {};
    QImageReader reader(&file);
    const Orientation orientation(reader);
    const QSize scaled = read_what_is_shown(reader, orientation, showing);
    return read_flat(reader, orientation, scaled);
}

Preview read_preview(const std::string& path, QSize box) {
    Preview preview;
    QFile file;
    if (!open_file(file, path)) return preview;
    QImageReader reader(&file);
    const Orientation orientation(reader);
    const QSize size = orientation.upright_size();
    if (!size.isValid() || size.isEmpty()) return preview;
    preview.size = size;
    QSize scaled;
    if (size.width() > box.width() || size.height() > box.height())
        scaled = size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    preview.picture = read_flat(reader, orientation, scaled);
    return preview;
}

QImage convert_picture_to_bmp(const std::string& source, const std::string& target,
                              const Showing& showing, const std::function<bool()>& stop) {
    if (target.empty()) return {};
    QImage picture = read_picture(source, showing);
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
