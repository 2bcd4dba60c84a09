#include "platform/process/process.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdlib>

namespace dezu::process {
namespace {

std::string test_directory;
std::string test_file_name;
std::function<void(int)> end_hook;

}  // namespace

std::string program_directory() {
    if (!test_directory.empty()) return test_directory;
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string program_file_name() {
    if (!test_file_name.empty()) return test_file_name;
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
}

void set_program_location_for_test(const std::string& directory, const std::string& file_name) {
    test_directory = directory;
    test_file_name = file_name;
}

void EventLoopExit::end_process(int exit_code) {
    QCoreApplication::exit(exit_code);
}

void register_exit_routine(void (*routine)()) {
    std::atexit(routine);
}

void end_process(int exit_code) {
    if (end_hook) {
        end_hook(exit_code);
        throw ProcessEnded{exit_code};
    }
    std::exit(exit_code);
}

void set_end_process_hook_for_test(std::function<void(int)> hook) {
    end_hook = std::move(hook);
}

}  // namespace dezu::process
