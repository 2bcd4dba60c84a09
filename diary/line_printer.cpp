#include "diary/line_printer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/ui/prompts.h"

namespace {
std::optional<std::string> test_output;
}

LinePrinter::LinePrinter(QObject* parent, const std::string& name, dezu::ui::Prompts& prompts)
    : QObject(parent), prompts_(prompts) {
    setObjectName(QString::fromStdString(name));
}

void LinePrinter::print_line(const std::string& text) {
    lines_.push_back(text);
}

void LinePrinter::set_output_file_for_test(std::optional<std::string> pdf_file) {
    test_output = std::move(pdf_file);
}

bool LinePrinter::end_job() {
    const std::vector<std::string> lines = std::move(lines_);
    lines_.clear();
    if (lines.empty()) return true;
    QPrinter printer(QPrinter::HighResolution);
    if (test_output) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(*test_output));
    } else if (QPrinterInfo::defaultPrinter().isNull()) {
        prompts_.message_box("没有可用的打印机");
        return false;
    } else {
        printer.setPrinterName(QPrinterInfo::defaultPrinter().printerName());
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
