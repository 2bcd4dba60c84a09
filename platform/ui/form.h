#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

namespace dezu::ui {

// Base of every window. A window has a fixed identity (its class name, such
// as "LauncherWindow") under which it is loaded, looked up and destroyed.
// Its controls carry their names as object names, so handlers and tests find
// them by name.
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(std::string window_id, QWidget* parent = nullptr);
    ~Form() override;

    const std::string& window_id() const { return window_id_; }

    // The created handler: runs inside load_window, before it returns.
    virtual void on_created() {}
    // The user asked to close the window (its caption's close button). False
    // keeps it open.
    virtual bool on_close_requested() { return true; }
    // The closing handler: runs inside destroy_window, first.
    virtual void on_closing() {}

    // Whether load_window shows the window after its created handler.
    void set_visible_on_load(bool visible) { visible_on_load_ = visible; }
    bool visible_on_load() const { return visible_on_load_; }

    // The control of the given name, or nullptr.
    template <class T = QWidget>
    T* control(const std::string& name) const {
        return findChild<T*>(QString::fromStdString(name));
    }

signals:
    // Emitted by destroy_window once the window is no longer loaded.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend void destroy_window(const std::string& window_id);
    std::string window_id_;
    bool visible_on_load_ = true;
    bool destroying_ = false;
};

using FormFactory = std::function<std::unique_ptr<Form>()>;

// The factory that creates a window identity. Registering again replaces it.
void register_window(const std::string& window_id, FormFactory factory);
void unregister_window(const std::string& window_id);
// Forgets every factory, so that none outlives what it was handed.
void unregister_all_windows();

// Creates the window, runs its created handler and shows it (when its form is
// visible). Modal loading waits until the window is destroyed and returns
// nullptr. An identity that is loaded already is returned unchanged; one with
// no registered factory loads nothing and returns nullptr.
Form* load_window(const std::string& window_id, bool modal = false);

bool is_window_loaded(const std::string& window_id);

// The loaded window of that identity, or nullptr.
Form* loaded_window(const std::string& window_id);

template <class T>
T* loaded_window_as(const std::string& window_id) {
    return dynamic_cast<T*>(loaded_window(window_id));
}

// Runs the window's closing handler, then removes and deletes it. Nothing
// happens for a window that is not loaded.
void destroy_window(const std::string& window_id);

// Destroys every loaded window without running closing handlers (tests).
void discard_all_windows();

// The opacity level 0 (invisible) .. 255 (opaque) of a top-level window.
void set_window_opacity(QWidget* window, int level);

// Whether windows can really be made translucent here: a compositing X11
// display or Wayland.
bool windows_can_be_translucent();

// Switches on the program's visual style. Only the call is relied on.
void apply_visual_style(int style);

}  // namespace dezu::ui
