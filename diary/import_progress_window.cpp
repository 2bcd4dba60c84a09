#include "diary/import_progress_window.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>

#include "diary/diary_session.h"
#include "platform/ui/controls.h"
#include "platform/ui/window_ids.h"

namespace ui = dezu::ui;

namespace dezu::diary {

ImportProgressWindow::ImportProgressWindow(DiarySession& session)
    : Form(ui::windows::kImportProgress), session_(session) {
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
    connect(&session_, &DiarySession::import_source_started, this, [this](const QString& source) {
        label_->setText(QStringLiteral("正在导入") + source + QStringLiteral(",请稍候..."));
    });
    // The label keeps its last text until the window goes.
    connect(&session_, &DiarySession::import_ended, this,
            [this] { ui::destroy_window(window_id()); });
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

void ImportProgressWindow::on_closing() {
    if (started_) session_.cancel_import();
}

void ImportProgressWindow::run_diary_import() {
    // The window may be activated again while the run goes on: one run per
    // opening.
    if (started_) return;
    started_ = true;
    session_.start_import();
}

}  // namespace dezu::diary
