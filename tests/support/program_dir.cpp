#include "program_dir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <cstdlib>

#include "app/globals.h"
#include "platform/files/files.h"
#include "platform/process/clock.h"
#include "platform/store/record_store.h"
#include "platform/ui/form.h"

void ProgramDirTest::SetUp() {
    ASSERT_TRUE(temp_.isValid());
    setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
    reset_globals_for_test();
}

void ProgramDirTest::TearDown() {
    dezu::ui::discard_all_windows();
    // A table left open would hold its file into the next test.
    dezu::store::close_all_store_tables();
    process_events();
    dezu::process::set_now_for_test(std::nullopt);
}

std::string ProgramDirTest::dir() const {
    return temp_.path().toStdString();
}

std::string ProgramDirTest::path(const std::string& name) const {
    return dir() + "/" + name;
}

void ProgramDirTest::write_file(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(dezu::files::write_bytes(path(name), bytes));
}

std::string ProgramDirTest::read_file(const std::string& name) const {
    return dezu::files::read_whole_file(path(name));
}

void ProgramDirTest::process_events(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } while (!deadline.hasExpired());
}
