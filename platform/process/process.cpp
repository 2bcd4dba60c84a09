#include "platform/process/process.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace dezu::process {

std::string program_directory() {
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string program_file_name() {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
}

void EventLoopExit::end_process(int exit_code) {
    QCoreApplication::exit(exit_code);
}

}  // namespace dezu::process
