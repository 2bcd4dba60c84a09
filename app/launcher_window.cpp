#include "app/launcher_window.h"

#include "app/startup.h"
#include "assets/assets.h"
#include "platform/ui/controls.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"

#include <QLabel>

namespace {

struct Row {
    const char* button;
    const char* caption;
};

// Row 1 at the top; each row's super button keeps its form name.
constexpr std::array<Row, LauncherWindow::kRows> kRowTable = {{
    {"超级按钮3", "播放音乐"},
    {"超级按钮14", "卡通时钟"},
    {"超级按钮12", "桌面壁纸"},
    {"超级按钮6", "随心所记"},
    {"超级按钮7", "发送邮件"},
    {"超级按钮1", "控制面板"},
    {"超级按钮4", "启动屏保"},
    {"超级按钮9", "运行程序"},
    {"超级按钮10", "程序设置"},
    {"超级按钮11", "系统关机"},
    {"超级按钮13", "退出程序"},
}};

constexpr int kRowPitch = 17;

}  // namespace

LauncherWindow::LauncherWindow() : Form(dezu::ui::windows::kLauncher) {
    using namespace dezu::ui;
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 96, 0));
    setPalette(pal);
    set_visible_on_load(false);

    title_ = new QLabel(QStringLiteral("   d  e  z  u"), this);
    title_->setObjectName(QStringLiteral("标签2"));
    place(title_, 1, 1, 23, 186);
    title_->setWordWrap(true);
    title_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    for (int row = 1; row <= kRows; ++row) {
        const int top = 1 + kRowPitch * (row - 1);
        auto* face = new PictureBox(this, "图形按钮" + std::to_string(row));
        place(face, 25, top, 80, 16);
        faces_[row - 1] = face;
        const Row& r = kRowTable[row - 1];
        auto* button = new SuperButton(this, r.button, r.caption, row);
        place(button, 25, top, 80, 16);
        buttons_[row - 1] = button;
    }

    auto_hide_timer_ = new TimerControl(this, "时钟1");
    wallpaper_timer_ = new TimerControl(this, "时钟2");
}

dezu::ui::SuperButton* LauncherWindow::button_with_tag(int tag) const {
    if (tag < 1 || tag > kRows) return nullptr;
    return buttons_[tag - 1];
}

std::string LauncherWindow::icon_bytes() { return dezu::assets::asset_bytes("net.ico"); }

void LauncherWindow::on_created() { init_launcher(); }

void LauncherWindow::on_tray_notification(int /*reason*/) {}
