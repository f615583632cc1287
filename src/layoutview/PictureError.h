#pragma once

#include <QSize>
#include <QString>
#include <stdexcept>

// A picture that cannot be loaded; the message is UTF-8 and names what went wrong.
class EPictureError : public std::runtime_error {
public:
    explicit EPictureError(const QString& message)
        : std::runtime_error(message.toUtf8().toStdString()) {}

    // "<kind> image of <w>x<h> pixels is too large"
    static EPictureError TooLarge(const char* kindName, QSize pixels);
};
