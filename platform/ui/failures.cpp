#include "platform/ui/failures.h"

#include "platform/ui/prompts.h"

namespace dezu::ui {

void FailureReporter::report(const std::string& text, QWidget* owner) {
    prompts_.message_box(text, MessageStyle::Stop, std::nullopt, owner);
}

void FailureReporter::report_once(const std::string& topic, const std::string& text,
                                  QWidget* owner) {
    if (!told_.insert(topic).second) return;
    report(text, owner);
}

}  // namespace dezu::ui
