#pragma once

#include <QObject>
#include <string>
#include <vector>

namespace dezu::ui {
class Prompts;
class PrinterChoice;
}  // namespace dezu::ui

namespace dezu::diary {

// The editor's printer control: lines are printed one under another on the
// default printer, and ending the job sends them.
class LinePrinter : public QObject {
    Q_OBJECT
public:
    LinePrinter(QObject* parent, const std::string& name, dezu::ui::Prompts& prompts,
                dezu::ui::PrinterChoice& printers);

    void print_line(const std::string& text);
    // Sends the lines printed since the last job; a job with no line prints
    // nothing. False when there is no printer or printing failed.
    bool end_job();

private:
    dezu::ui::Prompts& prompts_;
    dezu::ui::PrinterChoice& printers_;
    std::vector<std::string> lines_;
};

}  // namespace dezu::diary
