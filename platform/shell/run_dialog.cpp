#include "platform/shell/run_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

#include "platform/shell/shell.h"
#include "platform/ui/prompts.h"

namespace dezu::shell {
namespace {

QString expand_home(const QString& text) {
    if (text == QLatin1String("~")) return QDir::homePath();
    if (text.startsWith(QLatin1String("~/"))) return QDir::homePath() + text.mid(1);
    return text;
}

bool has_url_scheme(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:\\S"));
    return scheme.match(text).hasMatch();
}

}  // namespace

bool run_typed_target(const std::string& typed) {
    const QString text = QString::fromStdString(typed).trimmed();
    if (text.isEmpty()) return false;
    const QString expanded = expand_home(text);
    const QFileInfo file(expanded);
    if (file.exists()) {
        if (file.isFile() && file.isExecutable())
            return QProcess::startDetached(file.absoluteFilePath(), {}, QDir::homePath());
        return open_document(file.absoluteFilePath().toStdString());
    }
    if (has_url_scheme(text)) return open_document(text.toStdString());
    return start_command_line(expanded.toStdString());
}

RunDialog::RunDialog(QWidget* owner, ui::Prompts& prompts) : QDialog(owner), prompts_(prompts) {
    setObjectName(QStringLiteral("RunDialog"));
    setWindowTitle(QStringLiteral("运行"));
    auto* prompt = new QLabel(
        QStringLiteral("请键入程序、文件夹、文档或网址的名称，dezu 将为你打开它。"), this);
    prompt->setWordWrap(true);
    auto* open_label = new QLabel(QStringLiteral("打开(&O):"), this);
    command_ = new QComboBox(this);
    command_->setObjectName(QStringLiteral("command"));
    command_->setEditable(true);
    command_->setInsertPolicy(QComboBox::NoInsert);
    command_->setMinimumWidth(280);
    open_label->setBuddy(command_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    QPushButton* browse_button =
        buttons->addButton(QStringLiteral("浏览(&B)..."), QDialogButtonBox::ActionRole);
    ok->setObjectName(QStringLiteral("ok"));
    cancel->setObjectName(QStringLiteral("cancel"));
    browse_button->setObjectName(QStringLiteral("browse"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &RunDialog::run);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(browse_button, &QPushButton::clicked, this, &RunDialog::browse);
    // OK only when there is something to run.
    auto update_ok = [this, ok] { ok->setEnabled(!command_->currentText().trimmed().isEmpty()); };
    connect(command_, &QComboBox::editTextChanged, this, update_ok);
    update_ok();

    auto* grid = new QGridLayout(this);
    grid->addWidget(prompt, 0, 0, 1, 2);
    grid->addWidget(open_label, 1, 0);
    grid->addWidget(command_, 1, 1);
    grid->addWidget(buttons, 2, 0, 1, 2);
}

void RunDialog::run() {
    const QString text = command_->currentText().trimmed();
    if (text.isEmpty()) return;
    if (!run_typed_target(text.toStdString())) {
        prompts_.message_box(
            "找不到“" + text.toStdString() + "”。请确认名称是否正确，然后再试一次。",
            ui::MessageStyle::Stop, std::string("运行"), this);
        command_->lineEdit()->selectAll();
        return;
    }
    // The latest first, each once.
    const int old = command_->findText(text);
    if (old >= 0) command_->removeItem(old);
    command_->insertItem(0, text);
    command_->setCurrentIndex(0);
    accept();
}

void RunDialog::browse() {
    const auto files = prompts_.open_file_dialog(this, "浏览", {{"所有文件", {"*"}}},
                                                 QDir::homePath().toStdString(), false);
    if (files.empty()) return;
    QString path = QString::fromStdString(files.front());
    if (path.contains(QLatin1Char(' '))) path = QLatin1Char('"') + path + QLatin1Char('"');
    command_->setEditText(path);
}

RunDialog* open_run_dialog(QWidget* owner, ui::Prompts& prompts) {
    auto* dialog =
        owner ? owner->findChild<RunDialog*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!dialog) dialog = new RunDialog(owner, prompts);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->command()->lineEdit()->selectAll();
    dialog->command()->setFocus();
    return dialog;
}

}  // namespace dezu::shell
