#pragma once

#include <string>
#include <string_view>

#include "platform/ui/form.h"

class QLabel;

// Fetches or reads each import source in turn and appends its text to the
// page shown in the diary editor, then closes itself.
class ImportProgressWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    ImportProgressWindow();

    void on_created() override;

    void run_diary_import();

protected:
    bool event(QEvent* event) override;

private:
    QLabel* label_ = nullptr;
    bool started_ = false;
};

// The text with every tag ("<" up to the first ">" after it) and every
// "&nbsp;" removed. A "<" with no ">" after it stays, with all that follows.
std::string strip_markup(std::string_view text);

// The bytes of one source as UTF-8 text: cut at the first zero byte, then
// decoded (UTF-16 and UTF-8 by their byte-order mark, else UTF-8 kept and
// anything else read as GB18030), unless they came from the web decoded.
std::string imported_text(std::string_view bytes, bool from_web);
