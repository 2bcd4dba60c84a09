#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// Leak checking stays off in the test programs (the libraries under them,
// GLib's quark table among them, keep memory on purpose until exit). Set
// here because ctest's per-test environment keeps only its first variable.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
