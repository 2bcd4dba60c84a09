#pragma once

#include <deque>
#include <vector>

#include "platform/ui/prompts.h"

// Answers the program's prompts from a script and keeps what was asked.
// A prompt with no scripted answer is cancelled
// (a Yes/No box answers No).
class ScriptedPrompts : public dezu::ui::Prompts {
public:
    ScriptedPrompts& then_button(dezu::ui::Button button);
    ScriptedPrompts& then_text(const std::string& text);  // input, save dialog, folder
    ScriptedPrompts& then_files(const std::vector<std::string>& files);
    ScriptedPrompts& then_font(const QFont& font, const QColor& color = Qt::black);
    ScriptedPrompts& then_cancel();

    const std::vector<dezu::ui::Prompt>& asked() const { return asked_; }
    // The texts of the message boxes shown, in order.
    std::vector<std::string> messages() const;

    dezu::ui::Answer ask(QWidget* owner, const dezu::ui::Prompt& prompt,
                         const QFont& current_font) override;

private:
    std::deque<dezu::ui::Answer> answers_;
    std::vector<dezu::ui::Prompt> asked_;
};
