#include "platform/ui/tray.h"

#include <QDebug>
#include <QIcon>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include "platform/ui/form.h"

namespace dezu::ui {
namespace {

QPointer<QSystemTrayIcon> tray;
QPointer<QTimer> retry;

constexpr int kRetryMs = 2000;
constexpr int kRetries = 60;  // two minutes for a desktop session that is still starting

void show_when_available(int tries_left) {
    if (!tray) return;
    if (QSystemTrayIcon::isSystemTrayAvailable() || tries_left <= 0) {
        if (tries_left <= 0) qWarning("dezu: no system tray appeared; showing the icon anyway");
        tray->show();
        return;
    }
    if (tries_left == kRetries) qInfo("dezu: the system tray is not available yet; retrying");
    if (!retry) {
        retry = new QTimer(tray);
        retry->setSingleShot(true);
    }
    retry->disconnect();
    QObject::connect(retry, &QTimer::timeout,
                     [tries_left] { show_when_available(tries_left - 1); });
    retry->start(kRetryMs);
}

}  // namespace

void set_tray_icon(Form* window, const std::string& icon_path, const std::string& tip) {
    if (!window) return;
    if (!tray) tray = new QSystemTrayIcon(window);
    tray->disconnect();
    QIcon icon(QString::fromStdString(icon_path));
    tray->setIcon(icon);
    tray->setToolTip(QString::fromStdString(tip));
    QObject::connect(tray, &QSystemTrayIcon::activated, window,
                     [window](QSystemTrayIcon::ActivationReason reason) {
                         window->on_tray_notification(static_cast<int>(reason));
                     });
    show_when_available(kRetries);
}

void set_tray_icon(Form* /*window*/) {
    if (!tray) return;
    tray->hide();
    delete tray.data();
}

QSystemTrayIcon* current_tray_icon() {
    return tray.data();
}

}  // namespace dezu::ui
