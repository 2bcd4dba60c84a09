#include "platform/ui/tray.h"

#include <QDebug>
#include <QSystemTrayIcon>

#include "platform/ui/icons.h"

namespace dezu::ui {
namespace {

constexpr int kRetryMs = 2000;
constexpr int kRetries = 60;  // two minutes for a desktop session that is still starting

}  // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &TrayIcon::show_when_available);
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::show(const std::string& icon_path, const std::string& tip, const QIcon& fallback) {
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>();
        connect(icon_.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    emit notified(static_cast<int>(reason));
                });
    }
    QIcon picture = icon_from_file(icon_path);
    if (picture.isNull()) picture = fallback;
    icon_->setIcon(picture);
    icon_->setToolTip(QString::fromStdString(tip));
    tries_left_ = kRetries;
    show_when_available();
}

void TrayIcon::show_when_available() {
    if (!icon_) return;
    if (QSystemTrayIcon::isSystemTrayAvailable() || tries_left_ <= 0) {
        if (tries_left_ <= 0) qWarning("dezu: no system tray appeared; showing the icon anyway");
        icon_->show();
        return;
    }
    if (tries_left_ == kRetries) qInfo("dezu: the system tray is not available yet; retrying");
    --tries_left_;
    retry_.start();
}

void TrayIcon::remove() {
    retry_.stop();
    if (!icon_) return;
    icon_->hide();
    icon_.reset();
}

QIcon TrayIcon::icon() const {
    return icon_ ? icon_->icon() : QIcon();
}

QString TrayIcon::tip() const {
    return icon_ ? icon_->toolTip() : QString();
}

}  // namespace dezu::ui
