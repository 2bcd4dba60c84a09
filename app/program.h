#pragma once

#include "clock/desktop_clock.h"
#include "diary/diary_session.h"
#include "mail/mail_accounts.h"
#include "platform/services.h"
#include "platform/settings/settings.h"
#include "player/player.h"
#include "wallpaper/wallpaper_rotator.h"

namespace dezu::app {

// The composition root: the program's site, its services, its settings and
// the owner object of each tool, created once and handed to the windows that
// show them. The program makes one in image_entry; tests make their own with
// a fresh folder and stand-in services.
class Program {
public:
    Program(dezu::ProgramSite site, dezu::Services services);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const dezu::ProgramSite& site() const { return site_; }
    const dezu::Services& services() const { return services_; }
    dezu::settings::Settings& settings() { return settings_; }
    dezu::clock::DesktopClock& desktop_clock() { return desktop_clock_; }
    dezu::wallpaper::WallpaperRotator& wallpaper() { return wallpaper_; }
    dezu::diary::DiarySession& diary() { return diary_; }
    dezu::mail::MailAccounts& mail() { return mail_; }
    dezu::player::Player& player() { return player_; }

    // Loads the hidden LauncherWindow, whose created handler is the start-up
    // sequence.
    void start();

    // The program ends in order: 退出程序, the session's end or a request
    // from the system. No window gets its closing handler, but a diary page
    // being written is saved as its closing would.
    void end_in_order();

private:
    dezu::ProgramSite site_;
    dezu::Services services_;
    dezu::settings::Settings settings_;
    dezu::clock::DesktopClock desktop_clock_;
    dezu::wallpaper::WallpaperRotator wallpaper_;
    dezu::diary::DiarySession diary_;
    dezu::mail::MailAccounts mail_;
    dezu::player::Player player_;
};

}  // namespace dezu::app
