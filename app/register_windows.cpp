#include "app/register_windows.h"

#include "app/launcher_window.h"
#include "diary/diary_book_window.h"
#include "diary/diary_editor_window.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

void register_all_windows() {
    ui::register_window(ui::windows::kLauncher, [] { return std::make_unique<LauncherWindow>(); });
    ui::register_window(ui::windows::kDiaryBook, [] { return std::make_unique<DiaryBookWindow>(); });
    ui::register_window(ui::windows::kDiaryEditor,
                        [] { return std::make_unique<DiaryEditorWindow>(); });
}
