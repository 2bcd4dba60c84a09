#pragma once

#include "platform/settings/settings.h"

// Every key of clock.ini, once. A fallback is what a missing key reads as.
namespace dezu::settings::keys {

// [系统参数]: the shell's options, shown by the settings window.
inline constexpr YesNoKey kShowSplash{"系统参数", "显示启动画面", "Y"};
inline constexpr YesNoKey kAutoPlay{"系统参数", "自动播放", "Y"};
inline constexpr YesNoKey kAutoStart{"系统参数", "自动启动"};
inline constexpr YesNoKey kSettingsWallpaperBox{"系统参数", "自动更换壁纸"};

// [更换壁纸]: the wallpaper changer.
inline constexpr NumberKey kWallpaperIndex{"更换壁纸", "当前壁纸", "1"};
inline constexpr YesNoKey kWallpaperAutoChange{"更换壁纸", "自动更换"};
inline constexpr TextKey kWallpaperMinutes{"更换壁纸", "间隔时间", "5"};  // as typed
inline constexpr NumberKey kWallpaperDisplayMode{"更换壁纸", "显示方式", "5"};

// [界面], [位置], [报时]: the desktop clock.
inline constexpr TextKey kClockSkin{"界面", "当前界面"};
inline constexpr TextKey kClockDigits{"界面", "当前数字"};
inline constexpr NumberKey kClockLeft{"位置", "横向位置"};
inline constexpr NumberKey kClockTop{"位置", "纵向位置"};
inline constexpr PathKey kChime{"报时", "报时"};

// [记事]: the diary.
inline constexpr TextKey kCurrentDiaryBook{"记事", "当前用户"};

// [播放器]: the media player.
inline constexpr PathKey kPlaylistPath{"播放器", "播放列表"};
inline constexpr NumberKey kCurrentTrack{"播放器", "歌曲"};
inline constexpr TextKey kPlayMode{"播放器", "播放模式", "2"};

}  // namespace dezu::settings::keys
