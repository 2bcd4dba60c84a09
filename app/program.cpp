#include "app/program.h"

#include "app/register_windows.h"
#include "platform/ui/failures.h"
#include "platform/ui/form.h"
#include "platform/ui/window_ids.h"

Program::Program(dezu::ProgramSite site, dezu::Services services)
    : site_(std::move(site)), services_(services), settings_(site_.path("clock.ini")) {
    // A settings file that cannot be written fails at every change; say so
    // once rather than at each.
    QObject::connect(
        &settings_, &dezu::settings::Settings::write_failed, [this](const QString& path) {
            services_.failures.report_once(
                "settings", "设置无法保存到 " + path.toStdString() + "，请检查该文件夹是否可写");
        });
    register_all_windows(*this);
}

Program::~Program() {
    dezu::ui::discard_all_windows();
}

void Program::start() {
    dezu::ui::load_window(dezu::ui::windows::kLauncher);
}
