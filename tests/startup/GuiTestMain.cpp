// Runs the window tests of the start-up windows. With --demo it shows the splash instead, as the
// operator sees it, for a look or a screenshot (settings go to a throwaway folder).
#include "common/TempDir.h"
#include "startup/Logo.h"

#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--demo") == 0) {
        TTempDir home;
        TConfigHomeGuard guard(home.Path());
        TfmLogo logo;
        logo.exec();
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
