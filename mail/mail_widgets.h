#pragma once

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QString>

#include "platform/ui/controls.h"

// Small helpers that the mail windows build their controls with.
namespace dezu::mail {

template <class T>
T* named(T* control, const char* name) {
    control->setObjectName(QString::fromUtf8(name));
    return control;
}

inline QLabel* add_label(QWidget* parent, const char* name, const char* caption, int left, int top,
                         int width, int height) {
    return dezu::ui::add_control<QLabel>(parent, name, caption, left, top, width, height);
}

inline void fill_background(QWidget* widget, QColor colour) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

}  // namespace dezu::mail
