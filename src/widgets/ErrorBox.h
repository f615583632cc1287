#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

// The program's general error message box: an operator action that fails ends there, its
// message is shown, and the window stays usable.
namespace ErrorBox {

void Show(const QString& message, QWidget* parent = nullptr);
void Show(const std::exception& error, QWidget* parent = nullptr);

// Runs an operator action; an error ends the action and is shown in the box, and the window
// stays usable.
template <typename TAction>
void RunAction(TAction&& action, QWidget* parent = nullptr) {
    try {
        action();
    } catch (const std::exception& error) {
        Show(error, parent);
    }
}

// A slot for `connect` that runs a handler of `object` as an operator action, as RunAction
// does. Every control of the windows is connected through it.
template <typename TObject>
auto Guarded(TObject* object, void (TObject::*handler)(), QWidget* parent) {
    return [object, handler, parent] { RunAction([&] { (object->*handler)(); }, parent); };
}

// Tests hand the messages to a sink of their own instead of opening a modal box; an empty sink
// restores the box.
void SetTestSink(std::function<void(const QString&)> sink);

} // namespace ErrorBox
