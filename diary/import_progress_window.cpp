#include "diary/import_progress_window.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTimer>
#include <vector>

#include "app/globals.h"
#include "platform/files/files.h"
#include "platform/network/web_page.h"
#include "platform/text/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

std::string strip_markup(std::string_view text) {
    // Everything before the first "<" is free of "<", so one pass from the
    // left removes the same tags as searching again from the start.
    std::string kept;
    kept.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('<', at);
        if (open == std::string_view::npos) break;
        const std::size_t close = text.find('>', open + 1);
        if (close == std::string_view::npos) break;
        kept.append(text.substr(at, open - at));
        at = close + 1;
    }
    kept.append(text.substr(at));

    constexpr std::string_view kSpace = "&nbsp;";
    std::string out;
    out.reserve(kept.size());
    std::size_t from = 0;
    for (std::size_t hit = kept.find(kSpace); hit != std::string::npos;
         hit = kept.find(kSpace, from)) {
        out.append(kept, from, hit - from);
        from = hit + kSpace.size();
    }
    out.append(kept, from);
    return out;
}

std::string imported_text(std::string_view bytes, bool from_web) {
    // Cutting UTF-16 at its first zero byte would keep one garbled character.
    const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
    if (little || big) {
        QStringDecoder decode(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        QString decoded = decode(QByteArrayView(bytes.data(), bytes.size()).sliced(2));
        const qsizetype zero = decoded.indexOf(QChar(0));
        if (zero >= 0) decoded.truncate(zero);
        return decoded.toStdString();
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const std::size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    if (bytes.empty()) return {};
    if (from_web && dezu::text::is_valid_utf8(bytes)) return std::string(bytes);
    return dezu::text::decode_file_text(bytes);
}

ImportProgressWindow::ImportProgressWindow() : Form(ui::windows::kImportProgress) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    setFixedSize(380, 250);
    move(50, 50);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("标签1"));
    QFont font(QStringLiteral("楷体_GB2312"));
    font.setPixelSize(19);
    font.setWeight(QFont::Normal);
    label_->setFont(font);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::place(label_, 24, 40, 328, 136);
}

void ImportProgressWindow::on_created() {
    // Not every display activates a new window; the run starts either way.
    QTimer::singleShot(0, this, [this] { run_diary_import(); });
}

bool ImportProgressWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, [this] { run_diary_import(); });
    return Form::event(e);
}

void ImportProgressWindow::run_diary_import() {
    // Events are handled between sources, so the window may be activated
    // again meanwhile: one run per opening.
    if (started_) return;
    started_ = true;
    // A copy: a new import chosen meanwhile must not change the list under us.
    const std::vector<std::string> sources = g_import_sources;
    const bool from_web = g_import_from_web;
    const bool strip = g_strip_html_on_import;
    QPointer<ImportProgressWindow> self(this);
    for (const std::string& source : sources) {
        label_->setText(QStringLiteral("正在导入") + QString::fromStdString(source) +
                        QStringLiteral(",请稍候..."));
        label_->repaint();
        QCoreApplication::processEvents();
        // The user may have closed this window or the editor meanwhile.
        if (!self || ui::loaded_window(window_id()) != this) return;
        if (!ui::is_window_loaded(ui::windows::kDiaryEditor)) break;

        const std::string bytes =
            from_web ? dezu::network::fetch_web_page(source) : dezu::files::read_whole_file(source);
        std::string text = imported_text(bytes, from_web);
        if (text.empty()) continue;
        if (strip) text = strip_markup(text);

        ui::Form* editor = ui::loaded_window(ui::windows::kDiaryEditor);
        auto* box = editor ? editor->control<QPlainTextEdit>("编辑框1") : nullptr;
        if (!box) break;
        QTextCursor end(box->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromStdString(text));
    }
    ui::destroy_window(window_id());
}
