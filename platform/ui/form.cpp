#include "platform/ui/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QStyleFactory>
#include <map>

#include "platform/ui/x11_atoms.h"

namespace dezu::ui {
namespace {

struct Registry {
    std::map<std::string, FormFactory> factories;
    std::map<std::string, QPointer<Form>> loaded;
};

Registry& registry() {
    static Registry r;
    return r;
}

bool x11_has_compositor() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return false;
    xcb_connection_t* c = x11->connection();
    const xcb_atom_t atom = x11_atom(c, "_NET_WM_CM_S0");
    if (atom == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr);
    const bool composited = owner && owner->owner != XCB_NONE;
    free(owner);
    return composited;
}

}  // namespace

Form::Form(std::string window_id, QWidget* parent)
    : QWidget(parent), window_id_(std::move(window_id)) {
    setObjectName(QString::fromStdString(window_id_));
}

Form::~Form() {
    auto& loaded = registry().loaded;
    auto it = loaded.find(window_id_);
    if (it != loaded.end() && it->second == this) loaded.erase(it);
}

void Form::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (destroying_ || !on_close_requested()) return;
    destroy_window(window_id_);
}

void register_window(const std::string& window_id, FormFactory factory) {
    registry().factories[window_id] = std::move(factory);
}

void unregister_window(const std::string& window_id) {
    registry().factories.erase(window_id);
}

void unregister_all_windows() {
    registry().factories.clear();
}

Form* loaded_window(const std::string& window_id) {
    auto& loaded = registry().loaded;
    auto it = loaded.find(window_id);
    return it == loaded.end() ? nullptr : it->second.data();
}

bool is_window_loaded(const std::string& window_id) {
    return loaded_window(window_id) != nullptr;
}

Form* load_window(const std::string& window_id, bool modal) {
    if (Form* existing = loaded_window(window_id)) return existing;
    auto factory = registry().factories.find(window_id);
    if (factory == registry().factories.end()) return nullptr;
    std::unique_ptr<Form> created = factory->second();
    if (!created) return nullptr;
    QPointer<Form> form = created.release();
    registry().loaded[window_id] = form;
    form->on_created();
    // The created handler may have closed the window again.
    if (!form || loaded_window(window_id) != form) return nullptr;
    if (modal) {
        form->setWindowModality(Qt::ApplicationModal);
        form->show();
        QEventLoop loop;
        QObject::connect(form.data(), &Form::unloaded, &loop, &QEventLoop::quit);
        if (loaded_window(window_id) == form) loop.exec();
        return nullptr;
    }
    if (form->visible_on_load()) form->show();
    return form;
}

void destroy_window(const std::string& window_id) {
    Form* form = loaded_window(window_id);
    if (!form || form->destroying_) return;
    form->destroying_ = true;
    form->on_closing();
    registry().loaded.erase(window_id);
    form->hide();
    emit form->unloaded();
    // Deleted later: the caller may be one of the window's own handlers.
    form->deleteLater();
}

void discard_all_windows() {
    auto loaded = std::move(registry().loaded);
    registry().loaded.clear();
    for (auto& [id, form] : loaded) delete form.data();
}

void set_window_opacity(QWidget* window, int level) {
    if (!window) return;
    window->setWindowOpacity(std::clamp(level, 0, 255) / 255.0);
}

bool windows_can_be_translucent() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) return true;
    if (platform == QLatin1String("xcb")) return x11_has_compositor();
    return false;
}

void apply_visual_style(int /*style*/) {
    static bool applied = false;
    if (applied || !qApp) return;
    applied = true;
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
}

}  // namespace dezu::ui
