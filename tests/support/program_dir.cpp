#include "program_dir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/files/files.h"
#include "platform/ui/form.h"

void ProgramDirTest::SetUp() {
    ASSERT_TRUE(temp_.isValid());
    setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
}

void ProgramDirTest::TearDown() {
    dezu::ui::discard_all_windows();
    process_events();
    // By the names' bytes: the temporary folder's own removal goes through
    // QString, which cannot name a file whose name is no UTF-8.
    std::error_code ec;
    std::filesystem::remove_all(dir(), ec);
}

std::string ProgramDirTest::dir() const {
    return temp_.path().toStdString();
}

std::string ProgramDirTest::path(const std::string& name) const {
    return dir() + "/" + name;
}

void ProgramDirTest::write_file(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(dezu::files::write_whole_file(path(name), bytes));
}

std::string ProgramDirTest::read_file(const std::string& name) const {
    return dezu::files::read_whole_file(path(name));
}

void ProgramDirTest::process_events() {
    pump(0);
}

void ProgramDirTest::pump(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } while (!deadline.hasExpired());
}

void ProgramDirTest::run_timer_periods(int interval_ms, int periods) {
    QTimer reference;
    int fired = 0;
    QObject::connect(&reference, &QTimer::timeout, [&fired] { ++fired; });
    reference.start(interval_ms);
    const bool ran =
        wait_until([&] { return fired >= periods; }, std::max(10000, 50 * interval_ms * periods));
    EXPECT_TRUE(ran) << "the event loop ran no timer for " << interval_ms * periods << " ms";
}
