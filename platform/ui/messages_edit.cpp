#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include "platform/text/text.h"
#include "platform/ui/messages.h"

// Line queries on our multi-line edit boxes, which do not wrap: a line is the
// text between two line breaks. Offsets and lengths count bytes of the text's
// GBK form, a line break counting one byte ("\n", as the box holds it).
namespace dezu::ui::detail {
namespace {

QTextDocument* document_of(QWidget* target, QAbstractScrollArea*& area, bool& plain) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(target)) {
        area = edit;
        plain = true;
        return edit->document();
    }
    if (auto* edit = qobject_cast<QTextEdit*>(target)) {
        area = edit;
        plain = false;
        return edit->document();
    }
    return nullptr;
}

std::intptr_t gbk_bytes(const QTextBlock& block) {
    return static_cast<std::intptr_t>(text::gbk_length(block.text().toStdString()));
}

int cursor_line(QAbstractScrollArea* area) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(area)) return edit->textCursor().blockNumber();
    if (auto* edit = qobject_cast<QTextEdit*>(area)) return edit->textCursor().blockNumber();
    return 0;
}

std::intptr_t line_index(QTextDocument* doc, int line) {
    if (line < 0 || line >= doc->blockCount()) return -1;
    std::intptr_t offset = 0;
    for (QTextBlock b = doc->begin(); b.isValid() && b.blockNumber() < line; b = b.next())
        offset += gbk_bytes(b) + 1;
    return offset;
}

// The length of the line that holds the byte at the offset; its line break
// belongs to it.
std::intptr_t line_length_at(QTextDocument* doc, std::intptr_t offset) {
    std::intptr_t start = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const std::intptr_t length = gbk_bytes(b);
        if (offset <= start + length) return length;
        start += length + 1;
    }
    return 0;
}

}  // namespace

bool edit_message(QWidget* target, unsigned message, std::intptr_t wparam, std::intptr_t lparam,
                  std::intptr_t& answer) {
    QAbstractScrollArea* area = nullptr;
    bool plain = false;
    QTextDocument* doc = document_of(target, area, plain);
    if (!doc) return false;
    switch (message) {
        case EM_GETLINECOUNT:
            answer = doc->blockCount();
            return true;
        case EM_LINEINDEX:
            answer = line_index(doc, wparam < 0 ? cursor_line(area) : static_cast<int>(wparam));
            return true;
        case EM_LINELENGTH:
            answer = wparam < 0 ? gbk_bytes(doc->findBlockByNumber(cursor_line(area)))
                                : line_length_at(doc, wparam);
            return true;
        case EM_LINESCROLL: {
            // A plain text box scrolls by lines; a rich one by pixels.
            const int line_height = plain ? 1 : area->fontMetrics().lineSpacing();
            QScrollBar* v = area->verticalScrollBar();
            v->setValue(v->value() + static_cast<int>(lparam) * line_height);
            QScrollBar* h = area->horizontalScrollBar();
            h->setValue(h->value() +
                        static_cast<int>(wparam) * area->fontMetrics().averageCharWidth());
            answer = 1;
            return true;
        }
        default:
            return false;
    }
}

}  // namespace dezu::ui::detail
