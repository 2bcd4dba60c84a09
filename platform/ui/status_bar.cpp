#include "platform/ui/status_bar.h"

#include <QHBoxLayout>
#include <QLabel>

namespace dezu::ui {

StatusBar::StatusBar(QWidget* parent, const std::string& name, const std::vector<int>& widths)
    : QWidget(parent) {
    setObjectName(QString::fromStdString(name));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int width : widths) {
        auto* part = new QLabel(this);
        part->setFrameShape(QFrame::Panel);
        part->setFrameShadow(QFrame::Sunken);
        part->setTextFormat(Qt::PlainText);
        if (width >= 0) {
            part->setFixedWidth(width);
            layout->addWidget(part);
        } else {
            part->setMinimumWidth(0);
            layout->addWidget(part, 1);
        }
        parts_.push_back(part);
    }
}

void StatusBar::set_part_text(int part, const std::string& text) {
    if (part < 0 || part >= part_count()) return;
    parts_[static_cast<std::size_t>(part)]->setText(QString::fromStdString(text));
}

std::string StatusBar::part_text(int part) const {
    if (part < 0 || part >= part_count()) return {};
    return parts_[static_cast<std::size_t>(part)]->text().toStdString();
}

}  // namespace dezu::ui
