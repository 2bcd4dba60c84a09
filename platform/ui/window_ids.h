#pragma once

// The identities under which windows are loaded. Windows open one another only
// through these, never through each other's headers.
namespace dezu::ui::windows {

inline constexpr const char* kLauncher = "LauncherWindow";
inline constexpr const char* kSplash = "SplashWindow";
inline constexpr const char* kSettings = "SettingsWindow";
inline constexpr const char* kDesktopClock = "DesktopClockWindow";
inline constexpr const char* kLunarCalendar = "LunarCalendarWindow";
inline constexpr const char* kDiaryBook = "DiaryBookWindow";
inline constexpr const char* kDiaryEditor = "DiaryEditorWindow";
inline constexpr const char* kDiaryImport = "DiaryImportWindow";
inline constexpr const char* kImportProgress = "ImportProgressWindow";
inline constexpr const char* kPlayerBar = "PlayerBarWindow";
inline constexpr const char* kPlaylist = "PlaylistWindow";
inline constexpr const char* kWallpaperManager = "WallpaperManagerWindow";
inline constexpr const char* kMailCompose = "MailComposeWindow";
inline constexpr const char* kMailAccount = "MailAccountWindow";

}  // namespace dezu::ui::windows
