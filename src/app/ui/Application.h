#pragma once

#include <QApplication>

// The program's application object: an error that escapes an event handler ends up in the
// general error box instead of ending the program.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
