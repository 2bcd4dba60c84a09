#pragma once

namespace dezu::ui {

// Makes Qt's own dialogs and buttons (是/否, 取消, the file dialogs) speak
// Chinese, as the rest of the program does: Qt's translations from the
// folder the Qt installation keeps them in. False when they are not
// installed there; Qt's dialogs then stay in English.
[[nodiscard]] bool install_chinese_qt_translations();

}  // namespace dezu::ui
