// Not a test: opens the layout window as the main window's buttons do, on whatever display the
// environment names, and ends when it is closed, so that a test can look at the real window
// under a real window manager.
// Usage: layouts_window_probe edit|play <display type>
#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"

#include <QApplication>
#include <cstring>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CurrentDisplayType = argc > 2 ? std::atoi(argv[2]) : 5;
    if (argc > 1 && std::strcmp(argv[1], "play") == 0)
        PlayDisplayLayout("Client 1");
    else
        EditDisplayLayout("Client 1");
    return 0;
}
