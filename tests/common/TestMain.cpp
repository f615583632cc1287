// The main of every test program. The run gets a home and configuration folder of its own, removed
// at its end, so that nothing a test does reaches the real home folder, and no service manager;
// window tests get one offscreen application object for the whole run.
#include "common/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

#ifdef VELMORA_TEST_APPLICATION
#include <QApplication>
#endif

int main(int argc, char** argv) {
    const TTempDir home;
    ::setenv("HOME", home.Path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", home.File(".config").c_str(), 1);
    const std::string runtime = home.File("runtime");
    ::mkdir(runtime.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    // A run started by a service manager never speaks to it: the tests that need one play it.
    for (const char* variable : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"})
        ::unsetenv(variable);
#ifdef VELMORA_TEST_APPLICATION
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The sanitizer builds stop at the first finding and say where it came from.
extern "C" const char* __tsan_default_options() {
    return "halt_on_error=1 second_deadlock_stack=1";
}
extern "C" const char* __asan_default_options() {
    return "detect_leaks=1";
}
extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1 halt_on_error=1";
}
