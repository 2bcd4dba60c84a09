#pragma once

#include <QObject>
#include <optional>
#include <string>
#include <vector>

namespace dezu::ui {
class Prompts;
}

// The editor's printer control: lines are printed one under another on the
// default printer, and ending the job sends them.
class LinePrinter : public QObject {
    Q_OBJECT
public:
    LinePrinter(QObject* parent, const std::string& name, dezu::ui::Prompts& prompts);

    void print_line(const std::string& text);
    // Sends the lines printed since the last job; a job with no line prints
    // nothing. False when there is no printer or printing failed.
    bool end_job();

    // Tests print into this PDF file instead of the default printer.
    static void set_output_file_for_test(std::optional<std::string> pdf_file);

private:
    dezu::ui::Prompts& prompts_;
    std::vector<std::string> lines_;
};
