#include "diary/line_printer.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include "platform/ui/printer_choice.h"
#include "platform/ui/prompts.h"

namespace dezu::diary {

namespace {

// A face that holds Chinese as well as Latin letters, so that both print at
// one size rather than Chinese in a smaller stand-in face.
QFont print_font() {
    static const char* const kPreferred[] = {
        "宋体",
        "SimSun",
        "Noto Serif CJK SC",
        "Noto Sans CJK SC",
        "Source Han Sans SC",
        "WenQuanYi Zen Hei",
        "AR PL UMing CN",
        "AR PL UKai CN",
    };
    QString family;
    for (const char* name : kPreferred) {
        if (QFontDatabase::hasFamily(QString::fromUtf8(name))) {
            family = QString::fromUtf8(name);
            break;
        }
    }
    if (family.isEmpty()) {
        for (const QString& name : QFontDatabase::families(QFontDatabase::SimplifiedChinese)) {
            if (!QFontDatabase::isPrivateFamily(name)) {
                family = name;
                break;
            }
        }
    }
    QFont font;
    if (!family.isEmpty()) font.setFamily(family);
    font.setPointSize(12);
    return font;
}

}  // namespace

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
    const QFont font = print_font();
    painter.setFont(font);
    const QRect page = painter.viewport();
    // A line longer than the paper is wide goes on over as many printed lines
    // as it needs: at a blank between words, or anywhere within a word or a
    // run of Chinese.
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal y = 0;
    for (const std::string& line : lines) {
        QTextLayout layout(QString::fromStdString(line), font, &printer);
        layout.setTextOption(wrapping);
        layout.beginLayout();
        for (QTextLine part = layout.createLine(); part.isValid(); part = layout.createLine()) {
            part.setLineWidth(page.width());
            part.setPosition(QPointF(0, 0));
        }
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine part = layout.lineAt(i);
            if (y > 0 && y + part.height() > page.height()) {
                printer.newPage();
                y = 0;
            }
            part.draw(&painter, QPointF(0, y));
            y += part.height();
        }
    }
    return painter.end();
}

}  // namespace dezu::diary
