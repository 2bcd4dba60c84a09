#include "wallpaper/wallpaper_manager_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/desktop/desktop_setter.h"
#include "platform/desktop/picture_file.h"
#include "platform/files/files.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_ids.h"
#include "wallpaper/wallpaper_list.h"
#include "wallpaper/wallpaper_rotator.h"

namespace ui = dezu::ui;
namespace text = dezu::text;
namespace fs = std::filesystem;

namespace dezu::wallpaper {

namespace {

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

QString shown_name(const std::string& path) {
    return QString::fromStdString(text::shown_path(path));
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

WallpaperManagerWindow::WallpaperManagerWindow(dezu::wallpaper::WallpaperRotator& rotator,
                                               ui::Prompts& prompts, bool opacity_enabled)
    : Form(ui::windows::kWallpaperManager),
      rotator_(rotator),
      prompts_(prompts),
      opacity_enabled_(opacity_enabled) {
    setWindowTitle(QStringLiteral("壁纸管理"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(472 - 8, 429 - 27);  // the form's outer size less a typical frame
    move(50, 50);

    auto* mode = ui::add_control<QGroupBox>(this, "分组框2", "显示方式", 10, 12, 254, 132);
    timed_ = ui::add_control<QCheckBox>(mode, "选择框4", "定时更换", 26, 32, 74, 21);
    ui::add_control<QLabel>(mode, "标签2", "间隔时间:", 106, 34, 58, 16);
    minutes_ = new QLineEdit(QStringLiteral("5"), mode);
    minutes_->setObjectName(QStringLiteral("编辑框2"));
    ui::place(minutes_, 168, 34, 30, 18);
    ui::add_control<QLabel>(mode, "标签3", "分钟", 223, 35, 24, 16);
    stretch_ = ui::add_control<QRadioButton>(mode, "单选框2", "拉伸", 24, 73, 48, 16);
    stretch_->setChecked(true);
    tile_ = ui::add_control<QRadioButton>(mode, "单选框1", "平铺", 107, 73, 48, 16);
    centre_ = ui::add_control<QRadioButton>(mode, "单选框3", "居中", 188, 73, 48, 16);

    auto* preview = ui::add_control<QGroupBox>(this, "分组框1", "预览", 272, 12, 184, 133);
    picture_ = new ui::PictureBox(preview, "图片框1");
    ui::place(picture_, 8, 16, 166, 112);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->installEventFilter(this);
    auto* board = new QWidget(this);
    board->setObjectName(QStringLiteral("画板1"));
    ui::place(board, 296, 88, 32, 24);
    board->hide();

    rows_ = new QListWidget(this);
    rows_->setObjectName(QStringLiteral("列表框1"));
    rows_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui::place(rows_, 8, 160, 448, 200);

    auto* add_files = new CaptionButton(this, "超级按钮1", "添加文件");
    ui::place(add_files, 8, 367, 56, 24);
    auto* add_folder = new CaptionButton(this, "超级按钮2", "添加目录");
    ui::place(add_folder, 72, 367, 56, 24);
    auto* select_all = new CaptionButton(this, "超级按钮3", "全部选择");
    ui::place(select_all, 144, 367, 56, 24);
    auto* remove = new CaptionButton(this, "超级按钮4", "清除选择");
    ui::place(remove, 208, 367, 56, 24);
    ui::add_control<QLabel>(this, "标签1", "图像尺寸", 282, 367, 48, 24);
    width_ = ui::add_control<QLabel>(this, "标签5", "宽:", 338, 369, 52, 19);
    height_ = ui::add_control<QLabel>(this, "标签6", "高:", 403, 369, 53, 19);

    connect(timed_, &QCheckBox::clicked, this, [this] { toggle_timed_change(); });
    connect(minutes_, &QLineEdit::textChanged, this, [this] { retime_wallpaper_timer(); });
    // A keyboard move changes the selection before the current row.
    connect(rows_, &QListWidget::itemSelectionChanged, this, [this] { schedule_preview(); });
    connect(rows_, &QListWidget::currentRowChanged, this, [this] { schedule_preview(); });
    connect(rows_, &QListWidget::itemDoubleClicked, this, [this] { apply_selected_wallpaper(); });
    connect(add_files, &QAbstractButton::clicked, this, [this] { add_wallpaper_files(); });
    connect(add_folder, &QAbstractButton::clicked, this, [this] { add_wallpaper_folder(); });
    connect(select_all, &QAbstractButton::clicked, this, [this] { select_all_wallpapers(); });
    connect(remove, &QAbstractButton::clicked, this, [this] { remove_selected_wallpapers(); });
}

WallpaperManagerWindow::~WallpaperManagerWindow() = default;

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
    if (event->type() == QEvent::MouseButtonDblClick && watched == picture_) {
        clear_wallpaper();
        return true;
    }
    return Form::eventFilter(watched, event);
}

std::string WallpaperManagerWindow::row_path(int k) const {
    const QListWidgetItem* item = rows_->item(k);
    return item ? item->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

void WallpaperManagerWindow::append_row(const std::string& path) {
    auto* item = new QListWidgetItem(shown_name(path));
    item->setData(Qt::UserRole, QByteArray::fromStdString(path));
    rows_->addItem(item);
}

std::vector<std::string> WallpaperManagerWindow::row_paths(bool skip_selected) const {
    std::vector<std::string> paths;
    for (int k = 0; k < rows_->count(); ++k)
        if (!skip_selected || !rows_->item(k)->isSelected()) paths.push_back(row_path(k));
    return paths;
}

void WallpaperManagerWindow::init_wallpaper_manager() {
    for (const std::string& path : rotator_.list())
        if (dezu::files::file_exists(path)) append_row(path);

    if (rotator_.interval() > 0) {
        // The text first: the box retimes the timer only once the change is on.
        minutes_->setText(
            QString::fromStdString(dezu::wallpaper::minutes_from_interval(rotator_.interval())));
        timed_->setChecked(true);
    }

    const std::int32_t index = rotator_.current_index();
    if (index >= 1 && index <= rows_->count()) rows_->setCurrentRow(index - 1);
    preview_wallpaper();
    picture_->setToolTip(QStringLiteral("双击鼠标清除壁纸"));
    if (opacity_enabled_) ui::set_window_opacity(this, 230);
}

void WallpaperManagerWindow::schedule_preview() {
    if (preview_pending_) return;
    preview_pending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (preview_pending_) preview_wallpaper();
    });
}

void WallpaperManagerWindow::preview_wallpaper() {
    preview_pending_ = false;
    const int r = rows_->currentRow();
    if (r < 0) {
        previews_.cancel();
        previewed_.reset();
        show_preview({});
        return;
    }
    // The picture shown already is not decoded again.
    const std::string path = row_path(r);
    if (previewed_ == path) return;
    previewed_ = path;
    previews_.cancel();
    previews_.run([path, box = picture_->size()](
                      const dezu::work::Task&) { return dezu::desktop::read_preview(path, box); },
                  [this](const dezu::desktop::Preview& preview) { show_preview(preview); });
}

void WallpaperManagerWindow::show_preview(const dezu::desktop::Preview& preview) {
    if (preview.picture.isNull())
        picture_->clear();
    else
        picture_->setPixmap(QPixmap::fromImage(preview.picture));
    width_->setText(QStringLiteral("宽:%1").arg(preview.size.width()));
    height_->setText(QStringLiteral("高:%1").arg(preview.size.height()));
}

void WallpaperManagerWindow::apply_selected_wallpaper() {
    const int r = rows_->currentRow();
    if (r < 0) return;
    rotator_.set_current_index(r + 1);
    const int style = tile_->isChecked()      ? dezu::desktop::kTile
                      : stretch_->isChecked() ? dezu::desktop::kStretch
                                              : dezu::desktop::kCentre;
    rotator_.put_on_desktop(row_path(r), style);
}

void WallpaperManagerWindow::toggle_timed_change() {
    if (timed_->isChecked()) {
        rotator_.set_interval(interval_from_minutes(minutes_->text().toStdString()));
        minutes_->setEnabled(true);
    } else {
        minutes_->setEnabled(false);
        rotator_.set_interval(0);
    }
}

void WallpaperManagerWindow::retime_wallpaper_timer() {
    if (timed_->isChecked())
        rotator_.set_interval(interval_from_minutes(minutes_->text().toStdString()));
}

void WallpaperManagerWindow::add_wallpaper_files() {
    // The paths come as a list, not joined by ";": a file name may hold one.
    for (const std::string& path :
         prompts_.choose_files(this, "请选择要加入的壁纸", "JPG,BMP,ICO|*.JPG;*.BMP;*.ICO", "")) {
        append_row(path);
        rotator_.append(path);
    }
}

void WallpaperManagerWindow::add_wallpaper_folder() {
    std::string folder = prompts_.folder_dialog(this, "请选择要搜索壁纸的目录").value_or("");
    if (folder.empty()) return;
    if (folder.back() != '/') folder += '/';
    for (const char* extension : {".JPG", ".BMP", ".ICO"})
        for (const std::string& name : files_with_extension(folder, extension)) {
            append_row(folder + name);
            rotator_.append(folder + name);
        }
}

void WallpaperManagerWindow::select_all_wallpapers() {
    if (rows_->count() > 0) rows_->selectAll();
}

void WallpaperManagerWindow::remove_selected_wallpapers() {
    if (rows_->selectedItems().isEmpty()) return;
    const std::vector<std::string> kept = row_paths(true);
    rows_->clear();
    for (const std::string& path : kept) append_row(path);
    rotator_.replace_list(kept);
}

void WallpaperManagerWindow::clear_wallpaper() {
    rotator_.clear_desktop();
}

bool WallpaperManagerWindow::allow_wallpaper_manager_close() {
    return true;
}

void WallpaperManagerWindow::save_wallpaper_manager() {
    rotator_.save_list(row_paths(false));
    rotator_.save_timed_change(timed_->isChecked(), minutes_->text().toStdString());
    rotator_.save_display_mode(stretch_->isChecked() ? 2 : tile_->isChecked() ? 1 : 0);
}

}  // namespace dezu::wallpaper
