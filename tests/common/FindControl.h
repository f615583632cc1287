#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

// A control of a window by its object name, the name the language table finds it by. A control
// that is missing or of another kind fails the test with its name.
template <typename TControl>
TControl& FindControl(const QObject& window, const char* name) {
    auto* control = window.findChild<TControl*>(QString::fromLatin1(name));
    if (control == nullptr)
        throw std::logic_error(std::string("the window has no control ") + name +
                               " of the kind asked for");
    return *control;
}
