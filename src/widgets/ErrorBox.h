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

// Tests hand the messages to a sink of their own instead of opening a modal box; an empty sink
// restores the box.
void SetTestSink(std::function<void(const QString&)> sink);

} // namespace ErrorBox
