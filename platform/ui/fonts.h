#pragma once

#include <QFont>
#include <QStringList>
#include <string>

namespace dezu::ui {

// The installed faces, best first, that stand in for a face a form names
// ("宋体", "楷体_GB2312", "华文新魏"). A face that is installed under the
// form's own name comes first; names we do not know are used as they are.
QStringList faces_for(const std::string& form_face);

// The font a form names, at a character height in pixels.
QFont ui_font(const std::string& form_face, int pixel_height, bool bold = false);

}  // namespace dezu::ui
