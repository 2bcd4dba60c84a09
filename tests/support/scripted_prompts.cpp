#include "scripted_prompts.h"

using dezu::ui::Answer;
using dezu::ui::Button;
using dezu::ui::Prompt;

ScriptedPrompts& ScriptedPrompts::then_button(Button button) {
    Answer a;
    a.button = button;
    a.accepted = true;
    answers_.push_back(a);
    return *this;
}

ScriptedPrompts& ScriptedPrompts::then_text(const std::string& text) {
    Answer a;
    a.accepted = true;
    a.text = text;
    answers_.push_back(a);
    return *this;
}

ScriptedPrompts& ScriptedPrompts::then_files(const std::vector<std::string>& files) {
    Answer a;
    a.accepted = !files.empty();
    a.files = files;
    answers_.push_back(a);
    return *this;
}

ScriptedPrompts& ScriptedPrompts::then_font(const QFont& font, const QColor& color) {
    Answer a;
    a.accepted = true;
    a.font = font;
    a.color = color;
    answers_.push_back(a);
    return *this;
}

ScriptedPrompts& ScriptedPrompts::then_cancel() {
    Answer a;
    a.accepted = false;
    a.button = Button::No;
    answers_.push_back(a);
    return *this;
}

std::vector<std::string> ScriptedPrompts::messages() const {
    std::vector<std::string> texts;
    for (const auto& p : asked_)
        if (p.kind == Prompt::Kind::Message) texts.push_back(p.text);
    return texts;
}

Answer ScriptedPrompts::ask(QWidget*, const Prompt& prompt, const QFont&) {
    asked_.push_back(prompt);
    if (answers_.empty()) {
        Answer a;
        const bool yes_no = prompt.style == dezu::ui::MessageStyle::YesNo;
        a.button = prompt.kind == Prompt::Kind::Message && !yes_no ? Button::Ok : Button::No;
        a.accepted = prompt.kind == Prompt::Kind::Message && !yes_no;
        return a;
    }
    Answer a = answers_.front();
    answers_.pop_front();
    return a;
}
