#include "wallpaper/wallpaper_manager_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/choose_files.h"
#include "app/globals.h"
#include "platform/desktop/desktop_wallpaper.h"
#include "platform/files/files.h"
#include "platform/settings/settings_file.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/prompts.h"
#include "platform/ui/timer_control.h"
#include "platform/ui/window_ids.h"
#include "wallpaper/wallpaper_change.h"
#include "wallpaper/wallpaper_list.h"

namespace ui = dezu::ui;
namespace fs = std::filesystem;
using dezu::settings::write_setting;

namespace {

constexpr const char* kSection = "更换壁纸";

// A super button with no face picture underneath draws its own plain face
// and caption.
class CaptionButton : public ui::SuperButton {
public:
    CaptionButton(QWidget* parent, const char* name, const char* caption)
        : SuperButton(parent, name, caption, 0) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        {
            QPainter p(this);
            p.fillRect(rect(), palette().button());
            p.setPen(palette().mid().color());
            p.drawRect(rect().adjusted(0, 0, -1, -1));
            p.setPen(palette().buttonText().color());
            p.drawText(rect(), Qt::AlignCenter, text());
        }
        SuperButton::paintEvent(event);
    }
};

WallpaperManagerWindow* manager() {
    return ui::loaded_window_as<WallpaperManagerWindow>(ui::windows::kWallpaperManager);
}

template <class T>
T* control(const char* name) {
    WallpaperManagerWindow* w = manager();
    return w ? w->control<T>(name) : nullptr;
}

QListWidget* wallpaper_rows() {
    return control<QListWidget>("列表框1");
}

ui::TimerControl* wallpaper_timer() {
    ui::Form* launcher = ui::loaded_window(ui::windows::kLauncher);
    return launcher ? launcher->control<ui::TimerControl>("时钟2") : nullptr;
}

void set_wallpaper_timer(std::int32_t milliseconds) {
    if (ui::TimerControl* timer = wallpaper_timer()) timer->set_interval(milliseconds);
}

bool checked(const char* name) {
    auto* b = control<QAbstractButton>(name);
    return b && b->isChecked();
}

std::string interval_text() {
    auto* box = control<QLineEdit>("编辑框2");
    return box ? box->text().toStdString() : std::string();
}

std::vector<std::string> row_texts(bool skip_selected) {
    std::vector<std::string> texts;
    QListWidget* rows = wallpaper_rows();
    for (int k = 0; rows && k < rows->count(); ++k)
        if (!skip_selected || !rows->item(k)->isSelected())
            texts.push_back(rows->item(k)->text().toStdString());
    return texts;
}

void append_wallpaper(const std::string& path) {
    if (QListWidget* rows = wallpaper_rows()) rows->addItem(QString::fromStdString(path));
    g_wallpaper_list.push_back(path);
}

// The names of the ordinary files in the folder whose extension is the
// given one in any case, sorted; sub-folders are not searched.
std::vector<std::string> files_with_extension(const std::string& folder,
                                              const std::string& extension) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(fs::u8path(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code type_ec;
        if (!it->is_regular_file(type_ec)) continue;
        const std::string name = it->path().filename().string();
        if (dezu::text::ends_with_ignoring_case(name, extension)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

WallpaperManagerWindow::WallpaperManagerWindow() : Form(ui::windows::kWallpaperManager) {
    setWindowTitle(QStringLiteral("壁纸管理"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(472 - 8, 429 - 27);  // the form's outer size less a typical frame
    move(50, 50);

    auto* mode = ui::add_control<QGroupBox>(this, "分组框2", "显示方式", 10, 12, 254, 132);
    auto* timed = ui::add_control<QCheckBox>(mode, "选择框4", "定时更换", 26, 32, 74, 21);
    ui::add_control<QLabel>(mode, "标签2", "间隔时间:", 106, 34, 58, 16);
    auto* minutes = new QLineEdit(QStringLiteral("5"), mode);
    minutes->setObjectName(QStringLiteral("编辑框2"));
    ui::place(minutes, 168, 34, 30, 18);
    ui::add_control<QLabel>(mode, "标签3", "分钟", 223, 35, 24, 16);
    ui::add_control<QRadioButton>(mode, "单选框2", "拉伸", 24, 73, 48, 16)->setChecked(true);
    ui::add_control<QRadioButton>(mode, "单选框1", "平铺", 107, 73, 48, 16);
    ui::add_control<QRadioButton>(mode, "单选框3", "居中", 188, 73, 48, 16);

    auto* preview = ui::add_control<QGroupBox>(this, "分组框1", "预览", 272, 12, 184, 133);
    auto* picture = new ui::PictureBox(preview, "图片框1");
    ui::place(picture, 8, 16, 166, 112);
    picture->setAlignment(Qt::AlignCenter);
    picture->installEventFilter(this);
    auto* board = new QWidget(this);
    board->setObjectName(QStringLiteral("画板1"));
    ui::place(board, 296, 88, 32, 24);
    board->hide();

    auto* rows = new QListWidget(this);
    rows->setObjectName(QStringLiteral("列表框1"));
    rows->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui::place(rows, 8, 160, 448, 200);

    auto* add_files = new CaptionButton(this, "超级按钮1", "添加文件");
    ui::place(add_files, 8, 367, 56, 24);
    auto* add_folder = new CaptionButton(this, "超级按钮2", "添加目录");
    ui::place(add_folder, 72, 367, 56, 24);
    auto* select_all = new CaptionButton(this, "超级按钮3", "全部选择");
    ui::place(select_all, 144, 367, 56, 24);
    auto* remove = new CaptionButton(this, "超级按钮4", "清除选择");
    ui::place(remove, 208, 367, 56, 24);
    ui::add_control<QLabel>(this, "标签1", "图像尺寸", 282, 367, 48, 24);
    ui::add_control<QLabel>(this, "标签5", "宽:", 338, 369, 52, 19);
    ui::add_control<QLabel>(this, "标签6", "高:", 403, 369, 53, 19);

    connect(timed, &QCheckBox::clicked, this, [] { toggle_timed_change(); });
    connect(minutes, &QLineEdit::textChanged, this, [] { retime_wallpaper_timer(); });
    // A keyboard move changes the selection before the current row, so both
    // signals refresh the preview.
    connect(rows, &QListWidget::itemSelectionChanged, this, [] { preview_wallpaper(); });
    connect(rows, &QListWidget::currentRowChanged, this, [] { preview_wallpaper(); });
    connect(rows, &QListWidget::itemDoubleClicked, this, [] { apply_selected_wallpaper(); });
    connect(add_files, &QAbstractButton::clicked, this, [] { add_wallpaper_files(); });
    connect(add_folder, &QAbstractButton::clicked, this, [] { add_wallpaper_folder(); });
    connect(select_all, &QAbstractButton::clicked, this, [] { select_all_wallpapers(); });
    connect(remove, &QAbstractButton::clicked, this, [] { remove_selected_wallpapers(); });
}

void WallpaperManagerWindow::on_created() {
    init_wallpaper_manager();
}

bool WallpaperManagerWindow::on_close_requested() {
    return allow_wallpaper_manager_close();
}

void WallpaperManagerWindow::on_closing() {
    save_wallpaper_manager();
}

bool WallpaperManagerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        watched == control<ui::PictureBox>("图片框1")) {
        clear_wallpaper();
        return true;
    }
    return Form::eventFilter(watched, event);
}

std::string minutes_from_interval(std::int32_t milliseconds) {
    // Tens of billionths of a minute: ms / 60000 * 10^10, rounded up.
    constexpr std::int64_t kPlaces = 10000000000;
    const std::int64_t scaled = (std::int64_t{milliseconds} * 500000 + 2) / 3;
    std::string text = std::to_string(scaled / kPlaces);
    std::string fraction = std::to_string(scaled % kPlaces);
    fraction.insert(0, 10 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

void init_wallpaper_manager() {
    WallpaperManagerWindow* w = manager();
    QListWidget* rows = wallpaper_rows();
    if (!w || !rows) return;
    for (const std::string& path : g_wallpaper_list)
        if (dezu::files::file_exists(path)) rows->addItem(QString::fromStdString(path));

    ui::TimerControl* timer = wallpaper_timer();
    if (timer && timer->interval() > 0) {
        // The text first: the box retimes the timer only once the change is on.
        w->control<QLineEdit>("编辑框2")->setText(
            QString::fromStdString(minutes_from_interval(timer->interval())));
        w->control<QCheckBox>("选择框4")->setChecked(true);
    }

    if (g_current_wallpaper_index >= 1 && g_current_wallpaper_index <= rows->count())
        rows->setCurrentRow(g_current_wallpaper_index - 1);
    preview_wallpaper();
    w->control<ui::PictureBox>("图片框1")->setToolTip(QStringLiteral("双击鼠标清除壁纸"));
    if (g_window_opacity_enabled) ui::set_window_opacity(w, 230);
}

void preview_wallpaper() {
    QListWidget* rows = wallpaper_rows();
    auto* picture = control<ui::PictureBox>("图片框1");
    if (!rows || !picture) return;
    QListWidgetItem* current = rows->currentItem();
    picture->set_picture(current ? dezu::files::read_whole_file(current->text().toStdString())
                                 : std::string());
    const QPixmap shown = picture->pixmap();
    control<QLabel>("标签5")->setText(QStringLiteral("宽:%1").arg(shown.width()));
    control<QLabel>("标签6")->setText(QStringLiteral("高:%1").arg(shown.height()));
    // Large pictures are shown whole, scaled down to the box.
    if (shown.width() > picture->width() || shown.height() > picture->height())
        picture->setPixmap(
            shown.scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void apply_selected_wallpaper() {
    QListWidget* rows = wallpaper_rows();
    const int r = rows ? rows->currentRow() : -1;
    if (r < 0) return;
    g_current_wallpaper_index = r + 1;
    const std::string picture = wallpaper_file_for(rows->item(r)->text().toStdString());
    const int style = checked("单选框1")   ? dezu::desktop::kTile
                      : checked("单选框2") ? dezu::desktop::kStretch
                                           : dezu::desktop::kCentre;
    dezu::desktop::set_desktop_wallpaper(picture, style);
}

void toggle_timed_change() {
    auto* box = control<QLineEdit>("编辑框2");
    if (!box) return;
    if (checked("选择框4")) {
        set_wallpaper_timer(dezu::wallpaper::interval_from_minutes(interval_text()));
        box->setEnabled(true);
    } else {
        box->setEnabled(false);
        set_wallpaper_timer(0);
    }
}

void retime_wallpaper_timer() {
    if (checked("选择框4"))
        set_wallpaper_timer(dezu::wallpaper::interval_from_minutes(interval_text()));
}

void add_wallpaper_files() {
    // The paths come as a list, not joined by ";": a file name may hold one.
    const std::vector<std::string> files =
        ui::open_file_dialog(manager(), "请选择要加入的壁纸",
                             ui::parse_file_filter("JPG,BMP,ICO|*.JPG;*.BMP;*.ICO"), "", true);
    for (const std::string& path : files) append_wallpaper(path);
}

void add_wallpaper_folder() {
    std::string folder =
        ui::folder_dialog(manager(), "请选择要搜索壁纸的目录").value_or(std::string());
    if (folder.empty()) return;
    if (folder.back() != '/') folder += '/';
    for (const char* extension : {".JPG", ".BMP", ".ICO"})
        for (const std::string& name : files_with_extension(folder, extension))
            append_wallpaper(folder + name);
}

void select_all_wallpapers() {
    if (QListWidget* rows = wallpaper_rows(); rows && rows->count() > 0) rows->selectAll();
}

void remove_selected_wallpapers() {
    QListWidget* rows = wallpaper_rows();
    if (!rows || rows->selectedItems().isEmpty()) return;
    const std::vector<std::string> kept = row_texts(true);
    rows->clear();
    g_wallpaper_list.clear();
    for (const std::string& path : kept) append_wallpaper(path);
}

void clear_wallpaper() {
    dezu::desktop::set_desktop_wallpaper("");
}

bool allow_wallpaper_manager_close() {
    return true;
}

void save_wallpaper_manager() {
    dezu::wallpaper::write_wallpaper_list(g_program_dir + "WALLAB.INI", row_texts(false));
    const std::string ini = clock_ini_path();
    if (checked("选择框4")) {
        set_wallpaper_timer(dezu::wallpaper::interval_from_minutes(interval_text()));
        write_setting(ini, kSection, "间隔时间", interval_text());
        write_setting(ini, kSection, "自动更换", "Y");
    } else {
        set_wallpaper_timer(0);
        write_setting(ini, kSection, "自动更换", "N");
        write_setting(ini, kSection, "间隔时间", "");
    }
    write_setting(ini, kSection, "显示方式",
                  checked("单选框2")   ? "2"
                  : checked("单选框1") ? "1"
                                       : "0");
}
