#include "ErrorBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

std::function<void(const QString&)>& TestSink() {
    static std::function<void(const QString&)> sink;
    return sink;
}

} // namespace

namespace ErrorBox {

void Show(const QString& message, QWidget* parent) {
    if (TestSink()) {
        TestSink()(message);
        return;
    }
    QMessageBox::critical(parent != nullptr ? parent : QApplication::activeWindow(),
                          QApplication::applicationName(), message);
}

void Show(const std::exception& error, QWidget* parent) {
    // Messages that come from files and the network are Windows-1251 bytes or UTF-8; the program's
    // own messages are UTF-8.
    Show(QString::fromUtf8(error.what()), parent);
}

void SetTestSink(std::function<void(const QString&)> sink) {
    TestSink() = std::move(sink);
}

} // namespace ErrorBox
