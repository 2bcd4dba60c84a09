#include "clock/digit_strip.h"

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <optional>

namespace dezu::clock {

namespace {

// Little-endian reads that fail instead of reading past the end.
class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}

    bool has(std::size_t offset, std::size_t size) const {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }
    std::optional<std::uint32_t> u(std::size_t offset, int size) const {
        if (!has(offset, std::size_t(size))) return std::nullopt;
        std::uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i) v = (v << 8) | std::uint8_t(bytes_[offset + i]);
        return v;
    }
    bool tag(std::size_t offset, const char* text, std::size_t size) const {
        return has(offset, size) && bytes_.compare(offset, size, text, size) == 0;
    }
    std::uint8_t byte(std::size_t offset) const { return std::uint8_t(bytes_[offset]); }

private:
    const std::string& bytes_;
};

// A BMP held inside the strip: where its pixel rows start and how they run.
struct Bitmap {
    std::size_t pixels = 0;  // offset of the first stored row
    std::size_t end = 0;     // offset just past the pixel rows
    int width = 0;
    int height = 0;  // rows in the picture
    bool bottom_up = true;
    int bits = 0;
    std::size_t stride = 0;

    std::size_t row_offset(int picture_row) const {
        const int stored = bottom_up ? height - 1 - picture_row : picture_row;
        return pixels + std::size_t(stored) * stride;
    }
};

constexpr int kMaxSide = 4096;

std::optional<Bitmap> read_bitmap(const Reader& r, std::size_t at) {
    if (!r.tag(at, "BM", 2)) return std::nullopt;
    const std::size_t info = at + 14;
    const auto header_size = r.u(info, 4), width = r.u(info + 4, 4), height = r.u(info + 8, 4),
               planes = r.u(info + 12, 2), bits = r.u(info + 14, 2),
               compression = r.u(info + 16, 4), colours = r.u(info + 32, 4);
    if (!header_size || !colours || *header_size < 40 || *header_size > 1024 || *planes != 1 ||
        *compression != 0)
        return std::nullopt;
    Bitmap b;
    b.width = int(std::int32_t(*width));
    const std::int32_t h = std::int32_t(*height);
    b.bottom_up = h > 0;
    b.height = h == INT32_MIN ? 0 : (h < 0 ? -h : h);
    b.bits = int(*bits);
    if (b.width <= 0 || b.height <= 0 || b.width > kMaxSide || b.height > kMaxSide)
        return std::nullopt;
    if (b.bits != 1 && b.bits != 24 && b.bits != 32) return std::nullopt;
    std::size_t palette = 0;
    if (b.bits == 1) {
        if (*colours > 2) return std::nullopt;
        palette = std::size_t{4} * (*colours ? *colours : 2);
    }
    b.stride = (std::size_t(b.width) * std::size_t(b.bits) + 31) / 32 * 4;
    b.pixels = info + *header_size + palette;
    const std::size_t size = b.stride * std::size_t(b.height);
    if (!r.has(b.pixels, size)) return std::nullopt;
    b.end = b.pixels + size;
    return b;
}

}  // namespace

std::string image_from_strip(const std::string& strip, int n) {
    const Reader r(strip);
    if (!r.tag(0, "MITL", 4) || !r.tag(8, "IL", 2)) return {};
    const auto count = r.u(12, 2), cx = r.u(18, 2), cy = r.u(20, 2), flags = r.u(26, 2);
    if (!flags || n < 0 || std::uint32_t(n) >= *count || *cx == 0 || *cy == 0) return {};
    const auto colour = read_bitmap(r, 36);
    if (!colour || colour->bits == 1) return {};
    const int w = int(*cx), h = int(*cy);
    const int columns = colour->width / w;
    if (columns == 0) return {};
    const int left = (n % columns) * w, top = (n / columns) * h;
    if (top + h > colour->height) return {};

    std::optional<Bitmap> mask;
    if (*flags & 0x0001) {  // the list carries a mask
        mask = read_bitmap(r, colour->end);
        if (!mask || mask->bits != 1 || mask->width != colour->width ||
            mask->height != colour->height)
            return {};
    }

    QImage image(w, h, QImage::Format_ARGB32);
    const std::size_t bytes_per_pixel = std::size_t(colour->bits / 8);
    for (int y = 0; y < h; ++y) {
        const std::size_t row = colour->row_offset(top + y);
        for (int x = 0; x < w; ++x) {
            const std::size_t p = row + std::size_t(left + x) * bytes_per_pixel;
            int alpha = 255;
            if (mask) {
                const int mx = left + x;
                const std::size_t m = mask->row_offset(top + y) + std::size_t(mx / 8);
                if (r.byte(m) & (0x80 >> (mx % 8))) alpha = 0;
            }
            image.setPixel(x, y, qRgba(r.byte(p + 2), r.byte(p + 1), r.byte(p), alpha));
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return png.toStdString();
}

}  // namespace dezu::clock
