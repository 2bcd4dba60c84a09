#include "app/program.h"

#include "app/register_windows.h"
#include "platform/ui/failures.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"

namespace dezu::app {

Program::Program(dezu::ProgramSite site, dezu::Services services)
    : site_(std::move(site)),
      services_(services),
      settings_(site_.path("clock.ini")),
      desktop_clock_(settings_, services_.clock),
      wallpaper_(site_, settings_, services_.desktop, services_.failures),
      diary_(site_, settings_, services_),
      mail_(site_, services_.prompts, services_.failures),
      player_(site_, settings_, services_.failures) {
    // A settings file that cannot be written fails at every change; say so
    // once rather than at each.
    QObject::connect(
        &settings_, &dezu::settings::Settings::write_failed,
        [this](const QString& path, bool unreadable) {
            services_.failures.report_once(
                "settings",
                "设置无法保存到“" + path.toStdString() + "”，" +
                    (unreadable ? "该文件无法读取，已保持原样，所做的更改不会保留。"
                                : "所做的更改不会保留。请检查这个文件夹是否可以写入。"));
        });
    register_all_windows(*this);
}

Program::~Program() {
    dezu::ui::discard_all_windows();
    // The factories hold on to this program.
    dezu::ui::unregister_all_windows();
}

void Program::start() {
    dezu::ui::load_window(dezu::ui::windows::kLauncher);
}

void Program::end_in_order() {
    diary_.end_of_program();
}

}  // namespace dezu::app
