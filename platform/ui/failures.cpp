#include "platform/ui/failures.h"

#include "platform/ui/prompts.h"

namespace dezu::ui {

void FailureReporter::report(const std::string& text, QWidget* owner) {
    prompts_.message_box(text, MessageStyle::Stop, std::nullopt, owner);
}

void FailureReporter::report_list_not_saved(const std::string& what, const std::string& path,
                                            bool unreadable, QWidget* owner) {
    report(what + "无法保存到 " + path +
               (unreadable ? "，该文件无法读取，已保持原样" : "，请检查该文件夹是否可写"),
           owner);
}

void FailureReporter::report_once(const std::string& topic, const std::string& text,
                                  QWidget* owner) {
    if (!told_.insert(topic).second) return;
    report(text, owner);
}

}  // namespace dezu::ui
