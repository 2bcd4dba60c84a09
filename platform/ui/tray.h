#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

class QSystemTrayIcon;

namespace dezu::ui {

// The program's notification-area icon, owned by the window that takes its
// notifications.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // Puts the icon in place with the picture of the icon file. The icon is
    // the only way into the program, so a file that cannot be read as an
    // icon shows the fallback instead of a blank square. A desktop whose tray
    // is not up yet is retried for a while.
    void show(const std::string& icon_path, const std::string& tip, const QIcon& fallback);

    // Takes the icon away.
    void remove();

    bool is_placed() const { return icon_ != nullptr; }
    // What the desktop shows; null while the icon is not in place.
    QIcon icon() const;
    QString tip() const;
    QSystemTrayIcon* system_icon() const { return icon_.get(); }

signals:
    // Every kind of activation, click or other.
    void notified(int reason);

private:
    void show_when_available();

    std::unique_ptr<QSystemTrayIcon> icon_;
    QTimer retry_;
    int tries_left_ = 0;
};

}  // namespace dezu::ui
