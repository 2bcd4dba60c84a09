#pragma once

#include <set>
#include <string>

class QWidget;

namespace dezu::ui {

class Prompts;

// The one way the program tells the user that something it was asked to keep
// was not kept: a save, a lock, a password change, a new book, a list file.
// Each failure shows a stop box with the text; a failure that would repeat at
// every change (the settings file in a read-only folder) is told once a run.
class FailureReporter {
public:
    explicit FailureReporter(Prompts& prompts) : prompts_(prompts) {}

    void report(const std::string& text, QWidget* owner = nullptr);

    // A list file (what: "歌曲列表") was not saved: either it could not be
    // read whole and was left as it is, or the write failed.
    void report_list_not_saved(const std::string& what, const std::string& path, bool unreadable,
                               QWidget* owner = nullptr);

    // Shows the text only the first time this topic fails in this run.
    void report_once(const std::string& topic, const std::string& text, QWidget* owner = nullptr);

private:
    Prompts& prompts_;
    std::set<std::string> told_;
};

}  // namespace dezu::ui
