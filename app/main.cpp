#include <QApplication>

#include "app/image_entry.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dezu"));
    return dezu::app::image_entry();
}
