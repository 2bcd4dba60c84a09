#include <QApplication>

#include "app/image_entry.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dezu"));
    return image_entry();
}
