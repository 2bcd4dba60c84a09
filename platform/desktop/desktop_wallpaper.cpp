#include "platform/desktop/desktop_wallpaper.h"

#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/desktop/root_window.h"
#include "platform/text/text.h"

namespace dezu::desktop {

namespace {

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

enum class Desktop { Gnome, Cinnamon, Mate, Xfce, Plasma, Lxqt, Lxde, Other };

Desktop running_desktop() {
    const QString names = QString::fromLocal8Bit(std::getenv("XDG_CURRENT_DESKTOP")).toUpper();
    for (const QString& name : names.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (name == QLatin1String("X-CINNAMON") || name == QLatin1String("CINNAMON"))
            return Desktop::Cinnamon;
        if (name == QLatin1String("MATE")) return Desktop::Mate;
        if (name == QLatin1String("XFCE")) return Desktop::Xfce;
        if (name == QLatin1String("KDE")) return Desktop::Plasma;
        if (name == QLatin1String("LXQT")) return Desktop::Lxqt;
        if (name == QLatin1String("LXDE")) return Desktop::Lxde;
        if (name == QLatin1String("GNOME") || name == QLatin1String("UNITY") ||
            name == QLatin1String("BUDGIE") || name == QLatin1String("PANTHEON") ||
            name == QLatin1String("UBUNTU"))
            return Desktop::Gnome;
    }
    return Desktop::Other;
}

// Made from the path's bytes, whatever their encoding.
QString file_uri(const std::string& path) {
    return QStringLiteral("file://") +
           QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding("/"));
}

// A string in GVariant's text form, as gsettings reads its values.
QString gvariant_string(const QString& text) {
    QString quoted = QStringLiteral("'");
    for (const QChar c : text) {
        if (c == QLatin1Char('\'') || c == QLatin1Char('\\')) quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('\'');
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
    const QString uri = gvariant_string(file_uri(path));
    if (!gsettings(schema, QStringLiteral("picture-uri"), uri)) return false;
    // Only newer GNOME has the dark variant; older ones refuse the key.
    if (schema == QLatin1String("org.gnome.desktop.background"))
        gsettings(schema, QStringLiteral("picture-uri-dark"), uri);
    return gsettings(schema, QStringLiteral("picture-options"), gsettings_option(style));
}

// The desktops that keep the path itself as UTF-8 text: a name in other bytes
// would be stored with those bytes replaced, naming no file.
bool holds_as_text(const std::string& path) {
    return text::is_valid_utf8(path);
}

bool set_mate(const std::string& path, int style) {
    if (!holds_as_text(path)) return false;
    const QString schema = QStringLiteral("org.mate.background");
    // MATE has no "none" style: no file is no picture.
    if (!gsettings(schema, QStringLiteral("picture-filename"),
                   gvariant_string(QString::fromStdString(path))))
        return false;
    if (path.empty()) return true;
    return gsettings(schema, QStringLiteral("picture-options"), gsettings_option(style));
}

bool set_xfce(const std::string& path, int style) {
    if (!holds_as_text(path)) return false;
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

// LXQt's pcmanfm-qt and LXDE's pcmanfm draw the desktop and take the same
// options; "color" shows the background colour alone.
bool set_pcmanfm(const QString& program, const std::string& path, int style) {
    if (!holds_as_text(path)) return false;
    QStringList arguments;
    if (!path.empty())
        arguments << QStringLiteral("--set-wallpaper=") + QString::fromStdString(path);
    const char* mode = path.empty()       ? "color"
                       : style == kCentre ? "center"
                       : style == kTile   ? "tile"
                                          : "stretch";
    arguments << QStringLiteral("--wallpaper-mode=") + QLatin1String(mode);
    return run(program, arguments).has_value();
}

}  // namespace

bool set_desktop_wallpaper(const std::string& path, int style, const QImage* picture) {
    // A desktop of its own covers the root window, so painting that would
    // only seem to work.
    switch (running_desktop()) {
        case Desktop::Gnome:
            return set_gnome_like(QStringLiteral("org.gnome.desktop.background"), path, style);
        case Desktop::Cinnamon:
            return set_gnome_like(QStringLiteral("org.cinnamon.desktop.background"), path, style);
        case Desktop::Mate:
            return set_mate(path, style);
        case Desktop::Xfce:
            return set_xfce(path, style);
        case Desktop::Plasma:
            return set_plasma(path, style);
        case Desktop::Lxqt:
            return set_pcmanfm(QStringLiteral("pcmanfm-qt"), path, style);
        case Desktop::Lxde:
            return set_pcmanfm(QStringLiteral("pcmanfm"), path, style);
        case Desktop::Other:
            break;
    }
    return set_root_window_wallpaper(path, style, picture);
}

}  // namespace dezu::desktop
