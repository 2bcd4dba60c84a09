#include "platform/ui/icons.h"

#include <QBuffer>
#include <QImageReader>
#include <QPixmap>

#include "platform/files/files.h"

namespace dezu::ui {
namespace {

QIcon read_icon(QIODevice* device) {
    QImageReader reader(device);
    QIcon icon;
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        const QImage image = reader.read();
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace

QIcon icon_from_bytes(const std::string& bytes) {
    QByteArray data = QByteArray::fromStdString(bytes);
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    return read_icon(&buffer);
}

QIcon icon_from_file(const std::string& path) {
    // By the path's bytes: QFile would not find a file whose name is no UTF-8.
    return icon_from_bytes(files::read_whole_file(path));
}

}  // namespace dezu::ui
