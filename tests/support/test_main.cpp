#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The user's data folder, wastebasket included, is one of the test
    // program's own. Set before anything reads it: GLib keeps the first value.
    const char* tmp = std::getenv("TMPDIR");
    std::string data = std::string(tmp && *tmp ? tmp : "/tmp") + "/dezu-test-data-XXXXXX";
    if (!::mkdtemp(data.data())) return 1;
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ec;
    std::filesystem::remove_all(data, ec);
    return result;
}
