#include <QApplication>

#include "app/register_windows.h"
#include "app/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dezu"));
    register_all_windows();
    return image_entry();
}
