#include "platform/ui/fonts.h"

#include <QFontDatabase>
#include <map>

namespace dezu::ui {
namespace {

// Song (serif) and Kai (brush) faces from fonts-noto-cjk and fonts-arphic-ukai.
// Xinwei is a brush face too; Kai is the nearest we ship.
const std::map<std::string, QStringList>& stand_ins() {
    static const QStringList song = {QStringLiteral("Noto Serif CJK SC"),
                                     QStringLiteral("AR PL UMing CN"),
                                     QStringLiteral("Noto Sans CJK SC")};
    static const QStringList kai = {QStringLiteral("AR PL UKai CN"),
                                    QStringLiteral("Noto Serif CJK SC")};
    static const std::map<std::string, QStringList> table = {
        {"宋体", song}, {"新宋体", song}, {"楷体_GB2312", kai}, {"楷体", kai}, {"华文新魏", kai},
    };
    return table;
}

bool installed(const QString& family) {
    static const QStringList families = QFontDatabase::families();
    return families.contains(family, Qt::CaseInsensitive);
}

}  // namespace

QStringList faces_for(const std::string& form_face) {
    const QString own = QString::fromStdString(form_face);
    QStringList faces;
    if (installed(own)) faces << own;
    const auto it = stand_ins().find(form_face);
    if (it != stand_ins().end())
        for (const QString& face : it->second)
            if (installed(face)) faces << face;
    if (faces.isEmpty()) faces << own;
    return faces;
}

QFont ui_font(const std::string& form_face, int pixel_height, bool bold) {
    QFont font;
    font.setFamilies(faces_for(form_face));
    font.setPixelSize(pixel_height);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

}  // namespace dezu::ui
