#include "clock/desktop_clock_window.h"

#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "assets/assets.h"
#include "clock/clock_styles.h"
#include "clock/desktop_clock.h"
#include "platform/services.h"
#include "platform/shell/shell_actions.h"
#include "platform/ui/controls.h"
#include "platform/ui/icons.h"
#include "platform/ui/prompts.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"
#include "platform/ui/window_shape.h"

namespace ui = dezu::ui;

namespace dezu::clock {

namespace {

using Handler = void (DesktopClockWindow::*)();

// In menu order, beside kBackgroundSkins and kDigitStyles.
constexpr std::array<Handler, 6> kSkinHandlers = {
    &DesktopClockWindow::apply_background_bean,      &DesktopClockWindow::apply_background_mouse,
    &DesktopClockWindow::apply_background_dog,       &DesktopClockWindow::apply_background_girl,
    &DesktopClockWindow::apply_background_fish_bone, &DesktopClockWindow::apply_background_none};
constexpr std::array<Handler, 8> kDigitHandlers = {
    &DesktopClockWindow::apply_digit_style_pink,
    &DesktopClockWindow::apply_digit_style_black_green,
    &DesktopClockWindow::apply_digit_style_yellow_white,
    &DesktopClockWindow::apply_digit_style_grey,
    &DesktopClockWindow::apply_digit_style_orange,
    &DesktopClockWindow::apply_digit_style_blue_green,
    &DesktopClockWindow::apply_digit_style_light_blue,
    &DesktopClockWindow::apply_digit_style_lcd};

// Left edge and width of each time box inside the digit panel.
constexpr std::array<std::pair<int, int>, 8> kBoxes = {
    {{0, 15}, {15, 15}, {30, 10}, {40, 15}, {55, 15}, {70, 10}, {80, 15}, {95, 15}}};

// How long after a second begins the tick comes: late enough that a timer
// firing a little early still lands in the new second.
constexpr int kTickAfterSecondMs = 5;

}  // namespace

DesktopClockWindow::DesktopClockWindow(DesktopClock& clock, const dezu::ProgramSite& site,
                                       const dezu::Services& services)
    : Form(ui::windows::kDesktopClock), clock_(clock), site_(site), services_(services) {
    // No frame, above ordinary windows, no taskbar entry.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowIcon(ui::icon_from_bytes(dezu::assets::asset_bytes("clock.ico")));
    setMouseTracking(true);
    move(50, 50);
    resize(120, 144);

    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("外形框1"));
    ui::place(panel_, 5, 114, 110, 24);
    for (int i = 0; i < 8; ++i) {
        auto* box = new ui::PictureBox(panel_, "图片框" + std::to_string(i + 1));
        ui::place(box, kBoxes[i].first, 0, kBoxes[i].second, 25);
        // The 15-pixel ":" is cut evenly on both sides of its 10-pixel box.
        box->setAlignment(kBoxes[i].second == 10 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
        boxes_[i] = box;
    }
    timer_ = new ui::TimerControl(this, "时钟1");
    connect(timer_, &ui::TimerControl::tick, this, &DesktopClockWindow::on_clock_tick);
    arm_tick();
    build_menu();
    connect(&clock_, &DesktopClock::digits_changed, this, [this] {
        show_separators();
        show_whole_time();
    });
}

void DesktopClockWindow::arm_tick() {
    // Every second, just after it begins, whenever the window was loaded or
    // the last tick came.
    timer_->set_interval(1000 - clock_.time().msec() + kTickAfterSecondMs);
}

void DesktopClockWindow::build_menu() {
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("配置"));
    // The popup starts with a separator line, which Qt would otherwise hide,
    // and whose thin slot would lie under the menu's frame: room above it
    // keeps the line apart from the frame.
    menu_->setSeparatorsCollapsible(false);
    menu_->setContentsMargins(0, 4, 0, 0);
    menu_->addSeparator();
    QMenu* skins = menu_->addMenu(QStringLiteral("皮肤风格"));
    for (std::size_t i = 0; i < kBackgroundSkins.size(); ++i)
        connect(skins->addAction(QString::fromUtf8(kBackgroundSkins[i].caption)),
                &QAction::triggered, this, kSkinHandlers[i]);
    QMenu* digits = menu_->addMenu(QStringLiteral("数字风格"));
    for (std::size_t i = 0; i < kDigitStyles.size(); ++i)
        connect(digits->addAction(QString::fromUtf8(kDigitStyles[i].caption)), &QAction::triggered,
                this, kDigitHandlers[i]);
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("时间设置")), &QAction::triggered, this,
            &DesktopClockWindow::open_date_time_settings);
    connect(menu_->addAction(QStringLiteral("日历窗口")), &QAction::triggered, this,
            &DesktopClockWindow::open_lunar_calendar);
    menu_->addSeparator();
    chime_item_ = menu_->addAction(QStringLiteral("报时铃声"));
    chime_item_->setCheckable(true);
    connect(chime_item_, &QAction::triggered, this, [this] {
        // The item ticks itself when picked; the handler decides instead.
        chime_item_->setChecked(!chime_item_->isChecked());
        toggle_hourly_chime();
    });
    connect(menu_->addAction(QStringLiteral("隐藏窗口")), &QAction::triggered, this,
            &DesktopClockWindow::close_desktop_clock);
}

QAction* DesktopClockWindow::menu_item(const std::string& caption) const {
    const QString text = QString::fromStdString(caption);
    for (QAction* a : menu_->findChildren<QAction*>())
        if (a->text() == text) return a;
    for (QMenu* sub : menu_->findChildren<QMenu*>())
        if (sub->title() == text) return sub->menuAction();
    return nullptr;
}

bool DesktopClockWindow::chime_on() const {
    return chime_item_->isChecked();
}

void DesktopClockWindow::init_desktop_clock() {
    restore_chime();
    if (const auto left = clock_.stored_left()) move(*left, y());
    if (const auto top = clock_.stored_top()) move(x(), *top);

    const std::string skin = clock_.stored_skin();
    if (const BackgroundSkin* s = find_background_skin(skin.empty() ? kDefaultSkin : skin))
        apply_background(*s);
    const std::string digits = clock_.stored_digit_style();
    if (const DigitStyle* d = find_digit_style(digits.empty() ? kDefaultDigitStyle : digits))
        clock_.apply_digit_style(*d);
    if (site_.opacity_enabled) ui::set_window_opacity(this, 200);
}

void DesktopClockWindow::restore_chime() {
    const std::string stored = clock_.stored_chime();
    if (stored.empty()) return;
    chime_item_->setChecked(true);
    // "默认" is the built-in sound even when a file was chosen earlier in the
    // run and the file was edited since.
    clock_.set_chime_sound_file(stored == "默认" ? std::string() : stored);
}

void DesktopClockWindow::save_clock_position() {
    clock_.store_position(pos());
}

void DesktopClockWindow::raise_clock_opacity() {
    if (site_.opacity_enabled) ui::set_window_opacity(this, 230);
}

void DesktopClockWindow::show_clock_menu() {
    menu_->popup(QCursor::pos());
}

void DesktopClockWindow::apply_background(const BackgroundSkin& skin) {
    const std::string picture = dezu::assets::asset_bytes(skin.asset);
    ui::shape_window_from_picture(this, picture);
    background_.loadFromData(reinterpret_cast<const uchar*>(picture.data()), uint(picture.size()));
    update();
    panel_->move(skin.panel);
    show_whole_time();
    show_separators();
    resize(skin.window);
    clock_.store_skin(skin.caption);
}

void DesktopClockWindow::apply_background_bean() {
    apply_background(kBackgroundSkins[0]);
}
void DesktopClockWindow::apply_background_mouse() {
    apply_background(kBackgroundSkins[1]);
}
void DesktopClockWindow::apply_background_dog() {
    apply_background(kBackgroundSkins[2]);
}
void DesktopClockWindow::apply_background_girl() {
    apply_background(kBackgroundSkins[3]);
}
void DesktopClockWindow::apply_background_fish_bone() {
    apply_background(kBackgroundSkins[4]);
}
void DesktopClockWindow::apply_background_none() {
    apply_background(kBackgroundSkins[5]);
}

void DesktopClockWindow::apply_digit_style_pink() {
    clock_.apply_digit_style(kDigitStyles[0]);
}
void DesktopClockWindow::apply_digit_style_black_green() {
    clock_.apply_digit_style(kDigitStyles[1]);
}
void DesktopClockWindow::apply_digit_style_yellow_white() {
    clock_.apply_digit_style(kDigitStyles[2]);
}
void DesktopClockWindow::apply_digit_style_grey() {
    clock_.apply_digit_style(kDigitStyles[3]);
}
void DesktopClockWindow::apply_digit_style_orange() {
    clock_.apply_digit_style(kDigitStyles[4]);
}
void DesktopClockWindow::apply_digit_style_blue_green() {
    clock_.apply_digit_style(kDigitStyles[5]);
}
void DesktopClockWindow::apply_digit_style_light_blue() {
    clock_.apply_digit_style(kDigitStyles[6]);
}
void DesktopClockWindow::apply_digit_style_lcd() {
    clock_.apply_digit_style(kDigitStyles[7]);
}

void DesktopClockWindow::show_separators() {
    boxes_[2]->set_picture(clock_.digit_picture(10));
    boxes_[5]->set_picture(clock_.digit_picture(10));
}

void DesktopClockWindow::show_whole_time() {
    show_time_field(3, boxes_[0], boxes_[1]);
    show_time_field(2, boxes_[3], boxes_[4]);
    show_time_field(1, boxes_[6], boxes_[7]);
}

void DesktopClockWindow::show_time_field(int field, ui::PictureBox* tens, ui::PictureBox* units) {
    const QTime t = clock_.time();
    const int v = field == 1 ? t.second() : field == 2 ? t.minute() : field == 3 ? t.hour() : 0;
    tens->set_picture(clock_.digit_picture(v / 10));
    units->set_picture(clock_.digit_picture(v % 10));
}

void DesktopClockWindow::on_clock_tick() {
    if (clock_.time().second() == 0) {
        show_time_field(3, boxes_[0], boxes_[1]);
        show_time_field(2, boxes_[3], boxes_[4]);
        if (clock_.time().minute() == 0 && chime_on()) clock_.play_chime();
    }
    show_time_field(1, boxes_[6], boxes_[7]);
    arm_tick();
}

void DesktopClockWindow::toggle_hourly_chime() {
    if (chime_on()) {
        chime_item_->setChecked(false);
        clock_.store_chime("");
        return;
    }
    ui::Prompts& prompts = services_.prompts;
    if (prompts.message_box("是否选择铃声", ui::MessageStyle::YesNo, std::nullopt, this) ==
        ui::Button::Yes) {
        const auto files = prompts.open_file_dialog(
            this, "", {{"*.WAV", {"*.WAV"}}, {"*.MID", {"*.MID"}}}, "", false);
        if (files.empty()) return;
        clock_.set_chime_sound_file(files.front());
        chime_item_->setChecked(true);
        clock_.store_chime(files.front());
    } else {
        clock_.set_chime_sound_file({});
        chime_item_->setChecked(true);
        clock_.store_chime("默认");
    }
}

void DesktopClockWindow::open_date_time_settings() {
    // A desktop without such a program is not reported to the user.
    if (!services_.shell.open_date_time_settings())
        qWarning("dezu: no date and time settings program could be started");
}

void DesktopClockWindow::open_lunar_calendar() {
    if (!ui::is_window_loaded(ui::windows::kLunarCalendar))
        ui::load_window(ui::windows::kLunarCalendar, false);
}

void DesktopClockWindow::close_desktop_clock() {
    ui::destroy_window(window_id());
}

void DesktopClockWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(236, 236, 236));
    if (!background_.isNull()) p.drawPixmap(0, 0, background_);
}

void DesktopClockWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        show_clock_menu();
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    // The window manager moves the window where it can; elsewhere (offscreen,
    // some X11 setups) the window follows the pointer itself.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    drag_offset_ = event->globalPosition().toPoint() - pos();
}

void DesktopClockWindow::mouseMoveEvent(QMouseEvent* event) {
    if (drag_offset_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *drag_offset_);
    QWidget* under = childAt(event->position().toPoint());
    if (std::find(boxes_.begin(), boxes_.end(), under) == boxes_.end()) raise_clock_opacity();
}

void DesktopClockWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) drag_offset_.reset();
}

}  // namespace dezu::clock
