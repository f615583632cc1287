#include "Application.h"

#include "platform/Product.h"
#include "widgets/ErrorBox.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(Product::Name);
    setOrganizationName(Product::Maker);
    // The splash closes before the main window is first shown, and the main window may sit in
    // the tray: the program ends when the main window closes, not when no window is visible.
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ErrorBox::Show(error);
    }
    return false;
}
