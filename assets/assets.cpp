#include "assets/assets.h"

#include <QFile>

namespace dezu::assets {

std::string asset_bytes(const std::string& name) {
    QFile file(QStringLiteral(":/files/") + QString::fromStdString(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

}  // namespace dezu::assets
