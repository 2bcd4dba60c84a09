#include "diary/line_printer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include "platform/ui/printer_choice.h"
#include "platform/ui/prompts.h"

LinePrinter::LinePrinter(QObject* parent, const std::string& name, dezu::ui::Prompts& prompts,
                         dezu::ui::PrinterChoice& printers)
    : QObject(parent), prompts_(prompts), printers_(printers) {
    setObjectName(QString::fromStdString(name));
}

void LinePrinter::print_line(const std::string& text) {
    lines_.push_back(text);
}

bool LinePrinter::end_job() {
    const std::vector<std::string> lines = std::move(lines_);
    lines_.clear();
    if (lines.empty()) return true;
    QPrinter printer(QPrinter::HighResolution);
    if (!printers_.direct(printer)) {
        prompts_.message_box("没有可用的打印机");
        return false;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        prompts_.message_box("打印失败");
        return false;
    }
    QFont font;
    font.setPointSize(12);
    painter.setFont(font);
    const QFontMetrics metrics(font, &printer);
    const int page_height = painter.viewport().height();
    int y = 0;
    for (const std::string& line : lines) {
        if (y > 0 && y + metrics.height() > page_height) {
            printer.newPage();
            y = 0;
        }
        painter.drawText(0, y + metrics.ascent(), QString::fromStdString(line));
        y += metrics.lineSpacing();
    }
    return painter.end();
}
