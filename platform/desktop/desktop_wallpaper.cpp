#include "platform/desktop/desktop_wallpaper.h"

#include <xcb/xcb.h>

#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/ui/x11_atoms.h"

namespace dezu::desktop {

namespace {

std::function<bool(const std::string&, int)> test_hook;

constexpr int kCommandTimeoutMs = 5000;

// Runs a program found on PATH; its standard output when it ends well.
std::optional<QString> run(const QString& program, const QStringList& arguments) {
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty()) return std::nullopt;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(found, arguments);
    if (!process.waitForFinished(kCommandTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

enum class Desktop { Gnome, Cinnamon, Mate, Xfce, Plasma, Other };

Desktop running_desktop() {
    const QString names = QString::fromLocal8Bit(std::getenv("XDG_CURRENT_DESKTOP")).toUpper();
    for (const QString& name : names.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (name == QLatin1String("X-CINNAMON") || name == QLatin1String("CINNAMON"))
            return Desktop::Cinnamon;
        if (name == QLatin1String("MATE")) return Desktop::Mate;
        if (name == QLatin1String("XFCE")) return Desktop::Xfce;
        if (name == QLatin1String("KDE")) return Desktop::Plasma;
        if (name == QLatin1String("GNOME") || name == QLatin1String("UNITY") ||
            name == QLatin1String("BUDGIE") || name == QLatin1String("PANTHEON") ||
            name == QLatin1String("UBUNTU"))
            return Desktop::Gnome;
    }
    return Desktop::Other;
}

QString file_uri(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded);
}

// GNOME, Cinnamon and MATE name the styles alike.
QString gsettings_option(int style) {
    if (style == kCentre) return QStringLiteral("centered");
    if (style == kTile) return QStringLiteral("wallpaper");
    return QStringLiteral("stretched");
}

bool gsettings(const QString& schema, const QString& key, const QString& value) {
    return run(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, value})
        .has_value();
}

bool set_gnome_like(const QString& schema, const std::string& path, int style) {
    if (path.empty())
        return gsettings(schema, QStringLiteral("picture-options"), QStringLiteral("none"));
    if (!gsettings(schema, QStringLiteral("picture-uri"), file_uri(path))) return false;
    // Only newer GNOME has the dark variant; older ones refuse the key.
    if (schema == QLatin1String("org.gnome.desktop.background"))
        gsettings(schema, QStringLiteral("picture-uri-dark"), file_uri(path));
    return gsettings(schema, QStringLiteral("picture-options"), gsettings_option(style));
}

bool set_mate(const std::string& path, int style) {
    const QString schema = QStringLiteral("org.mate.background");
    if (path.empty())
        return gsettings(schema, QStringLiteral("picture-options"), QStringLiteral("none"));
    if (!gsettings(schema, QStringLiteral("picture-filename"), QString::fromStdString(path)))
        return false;
    return gsettings(schema, QStringLiteral("picture-options"), gsettings_option(style));
}

bool set_xfce(const std::string& path, int style) {
    const QString channel = QStringLiteral("xfce4-desktop");
    const std::optional<QString> listing =
        run(QStringLiteral("xfconf-query"), {QStringLiteral("-c"), channel, QStringLiteral("-l")});
    if (!listing) return false;
    // One backdrop per monitor and workspace; a fresh session may have none yet.
    QStringList images;
    for (const QString& line : listing->split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString property = line.trimmed();
        if (property.startsWith(QLatin1String("/backdrop/")) &&
            property.endsWith(QLatin1String("/last-image")))
            images << property;
    }
    if (images.isEmpty())
        images << QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image");
    // 0 none, 1 centred, 2 tiled, 3 stretched.
    const int xfce_style = path.empty() ? 0 : style == kCentre ? 1 : style == kTile ? 2 : 3;
    bool ok = true;
    for (const QString& image : images) {
        const QString prefix = image.left(image.size() - int(std::strlen("last-image")));
        if (!path.empty())
            ok = run(QStringLiteral("xfconf-query"),
                     {QStringLiteral("-c"), channel, QStringLiteral("-p"), image,
                      QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                      QStringLiteral("-s"), QString::fromStdString(path)}) &&
                 ok;
        ok =
            run(QStringLiteral("xfconf-query"),
                {QStringLiteral("-c"), channel, QStringLiteral("-p"),
                 prefix + QStringLiteral("image-style"), QStringLiteral("-n"), QStringLiteral("-t"),
                 QStringLiteral("int"), QStringLiteral("-s"), QString::number(xfce_style)}) &&
            ok;
    }
    return ok;
}

QString js_string(const QString& text) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) quoted += QLatin1Char('\\');
        if (c.unicode() < 0x20) {
            quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            continue;
        }
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QString plasma_script(const std::string& path, int style) {
    const QString each = QStringLiteral(
        "var all = desktops(); for (var i = 0; i < all.length; i++) { var d = all[i]; ");
    if (path.empty()) return each + QStringLiteral("d.wallpaperPlugin = \"org.kde.color\"; }");
    // Plasma's fill modes: 0 stretch, 3 tile, 6 centre.
    const int fill = style == kCentre ? 6 : style == kTile ? 3 : 0;
    return each + QStringLiteral(
                      "d.wallpaperPlugin = \"org.kde.image\"; "
                      "d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"]; "
                      "d.writeConfig(\"Image\", %1); d.writeConfig(\"FillMode\", %2); }")
                      .arg(js_string(file_uri(path)))
                      .arg(fill);
}

bool set_plasma(const std::string& path, int style) {
    const QString script = plasma_script(path, style);
    if (!QStandardPaths::findExecutable(QStringLiteral("dbus-send")).isEmpty())
        return run(QStringLiteral("dbus-send"),
                   {QStringLiteral("--session"), QStringLiteral("--type=method_call"),
                    QStringLiteral("--print-reply"), QStringLiteral("--dest=org.kde.plasmashell"),
                    QStringLiteral("/PlasmaShell"),
                    QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
                    QStringLiteral("string:") + script})
            .has_value();
    return run(QStringLiteral("qdbus"),
               {QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                QStringLiteral("org.kde.PlasmaShell.evaluateScript"), script})
        .has_value();
}

// The screen-sized picture that the root window shows for the style.
QImage root_picture(const QImage& picture, int width, int height, int style) {
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    if (style == kCentre)
        painter.drawImage((width - picture.width()) / 2, (height - picture.height()) / 2, picture);
    else if (style == kTile)
        painter.fillRect(canvas.rect(), QBrush(picture));
    else
        painter.drawImage(canvas.rect(), picture);
    return canvas;
}

// The root window's background as the classic setters leave it: a pixmap
// that outlives this connection, named in _XROOTPMAP_ID and ESETROOT_PMAP_ID
// so that the next setter can free it.
bool set_root_window(const std::string& path, int style) {
    if (!std::getenv("DISPLAY")) return false;
    QImage picture;
    if (!path.empty()) {
        QImageReader reader(QString::fromStdString(path));
        picture = reader.read();
        if (picture.isNull()) return false;
    }
    int screen_number = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen_number && it.rem; ++i) xcb_screen_next(&it);
    const xcb_screen_t* screen = it.rem ? it.data : nullptr;
    const xcb_setup_t* setup = xcb_get_setup(c);
    // The picture's memory goes out as it is: 32 bits a pixel, low byte first.
    bool direct_pixels = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); screen && f.rem; xcb_format_next(&f))
        if (f.data->depth == screen->root_depth && f.data->bits_per_pixel == 32)
            direct_pixels = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    if (!screen || (screen->root_depth != 24 && screen->root_depth != 32) || !direct_pixels) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_window_t root = screen->root;
    const xcb_atom_t root_pmap = dezu::ui::x11_atom(c, "_XROOTPMAP_ID");
    const xcb_atom_t esetroot_pmap = dezu::ui::x11_atom(c, "ESETROOT_PMAP_ID");

    xcb_get_property_reply_t* old = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, esetroot_pmap, XCB_ATOM_PIXMAP, 0, 1), nullptr);
    if (old && old->type == XCB_ATOM_PIXMAP && xcb_get_property_value_length(old) == 4)
        xcb_kill_client(c, *static_cast<xcb_pixmap_t*>(xcb_get_property_value(old)));
    std::free(old);

    if (path.empty()) {
        const uint32_t black = screen->black_pixel;
        xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXEL, &black);
        xcb_delete_property(c, root, root_pmap);
        xcb_delete_property(c, root, esetroot_pmap);
    } else {
        const int width = screen->width_in_pixels, height = screen->height_in_pixels;
        const QImage canvas = root_picture(picture, width, height, style);
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, screen->root_depth, pixmap, root, width, height);
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmap, 0, nullptr);
        // Sent in strips that each fit in one request.
        const std::size_t max_bytes = std::size_t(xcb_get_maximum_request_length(c)) * 4 - 64;
        const int rows = std::max<int>(1, int(max_bytes / (std::size_t(width) * 4)));
        for (int top = 0; top < height; top += rows) {
            const int n = std::min(rows, height - top);
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, width, n, 0, top, 0,
                          screen->root_depth, uint32_t(width) * 4 * n, canvas.constScanLine(top));
        }
        xcb_free_gc(c, gc);
        for (const xcb_atom_t a : {root_pmap, esetroot_pmap})
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, a, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXMAP, &pixmap);
        xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    }
    xcb_clear_area(c, 0, root, 0, 0, 0, 0);
    // A round trip: the server has done all of the above before we go, so
    // whoever looks next sees the new background.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    const bool ok = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    return ok;
}

}  // namespace

bool set_desktop_wallpaper(const std::string& path, int style) {
    if (test_hook) return test_hook(path, style);
    bool done = false;
    switch (running_desktop()) {
        case Desktop::Gnome:
            done = set_gnome_like(QStringLiteral("org.gnome.desktop.background"), path, style);
            break;
        case Desktop::Cinnamon:
            done = set_gnome_like(QStringLiteral("org.cinnamon.desktop.background"), path, style);
            break;
        case Desktop::Mate:
            done = set_mate(path, style);
            break;
        case Desktop::Xfce:
            done = set_xfce(path, style);
            break;
        case Desktop::Plasma:
            done = set_plasma(path, style);
            break;
        case Desktop::Other:
            break;
    }
    return done || set_root_window(path, style);
}

bool convert_picture_to_bmp(const std::string& source, const std::string& target) {
    if (source.empty() || target.empty()) return false;
    QImageReader reader(QString::fromStdString(source));
    reader.setDecideFormatFromContent(true);
    QImage picture = reader.read();
    if (picture.isNull()) return false;
    // Transparent parts come out black, as on the desktop behind them.
    picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                  .convertToFormat(QImage::Format_RGB32);
    QSaveFile file(QString::fromStdString(target));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!picture.save(&file, "BMP")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void set_desktop_wallpaper_hook_for_test(std::function<bool(const std::string&, int)> hook) {
    test_hook = std::move(hook);
}

}  // namespace dezu::desktop
