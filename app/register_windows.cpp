#include "app/register_windows.h"

#include "app/launcher_window.h"
#include "app/program.h"
#include "app/settings_window.h"
#include "app/splash_window.h"
#include "clock/desktop_clock_window.h"
#include "clock/lunar_calendar_window.h"
#include "diary/diary_book_window.h"
#include "diary/diary_editor_window.h"
#include "diary/diary_import_window.h"
#include "diary/import_progress_window.h"
#include "mail/mail_account_window.h"
#include "mail/mail_compose_window.h"
#include "platform/ui/window_ids.h"
#include "player/player_bar_window.h"
#include "player/playlist_window.h"
#include "wallpaper/wallpaper_manager_window.h"

namespace ui = dezu::ui;

namespace dezu::app {

void register_all_windows(Program& program) {
    Program* p = &program;
    ui::register_window(ui::windows::kLauncher, [p] {
        return std::make_unique<LauncherWindow>(p->site(), p->services(), p->settings(),
                                                p->wallpaper());
    });
    ui::register_window(ui::windows::kSplash,
                        [p] { return std::make_unique<SplashWindow>(p->site()); });
    ui::register_window(ui::windows::kSettings, [p] {
        return std::make_unique<SettingsWindow>(p->settings(), p->site(), p->services().failures,
                                                p->wallpaper());
    });
    ui::register_window(ui::windows::kDesktopClock, [p] {
        return std::make_unique<clock::DesktopClockWindow>(p->desktop_clock(), p->site(),
                                                           p->services());
    });
    ui::register_window(ui::windows::kLunarCalendar, [p] {
        return std::make_unique<clock::LunarCalendarWindow>(p->site(), p->services().clock);
    });
    ui::register_window(ui::windows::kWallpaperManager, [p] {
        return std::make_unique<wallpaper::WallpaperManagerWindow>(
            p->wallpaper(), p->services().prompts, p->site().opacity_enabled);
    });
    ui::register_window(ui::windows::kDiaryBook, [p] {
        return std::make_unique<diary::DiaryBookWindow>(p->diary(), p->services().prompts);
    });
    ui::register_window(ui::windows::kDiaryEditor, [p] {
        return std::make_unique<diary::DiaryEditorWindow>(p->diary(), p->services().prompts,
                                                          p->services().printer);
    });
    ui::register_window(ui::windows::kDiaryImport,
                        [p] { return std::make_unique<diary::DiaryImportWindow>(p->diary()); });
    ui::register_window(ui::windows::kImportProgress,
                        [p] { return std::make_unique<diary::ImportProgressWindow>(p->diary()); });
    ui::register_window(ui::windows::kMailCompose, [p] {
        return std::make_unique<mail::MailComposeWindow>(p->mail(), p->services().prompts);
    });
    ui::register_window(ui::windows::kMailAccount, [p] {
        return std::make_unique<mail::MailAccountWindow>(p->mail(), p->services().prompts);
    });
    ui::register_window(ui::windows::kPlayerBar, [p] {
        return std::make_unique<player::PlayerBarWindow>(p->player(), p->services().prompts,
                                                         p->site().opacity_enabled);
    });
    ui::register_window(ui::windows::kPlaylist, [p] {
        return std::make_unique<player::PlaylistWindow>(
            p->player(), p->services().prompts, p->services().shell, p->site().opacity_enabled);
    });
}

}  // namespace dezu::app
