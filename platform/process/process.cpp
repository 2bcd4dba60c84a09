#include "platform/process/process.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <climits>

namespace dezu::process {
namespace {

// The program file's full path by its bytes: a folder unpacked from another
// system's archive may have a name that is no UTF-8, which a trip through
// QString would replace.
std::string program_file_path() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length > 0 && static_cast<std::size_t>(length) < sizeof buffer)
        return std::string(buffer, static_cast<std::size_t>(length));
    // Without /proc, the path Qt found is the best there is.
    return QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
}

}  // namespace

std::string program_directory() {
    const std::string path = program_file_path();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string program_file_name() {
    const std::string path = program_file_path();
    return path.substr(path.rfind('/') + 1);
}

void EventLoopExit::end_process(int exit_code) {
    QCoreApplication::exit(exit_code);
}

}  // namespace dezu::process
