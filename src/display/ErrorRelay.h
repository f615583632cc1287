#pragma once

#include "platform/Descriptor.h"

#include <string>

// A program's error output passed on to this process's own a line at a time, so that the
// journal keeps each line whole (the kiosk session's for cage, and with it the display, its
// child), and the end of it kept until told to stop, to tell after the program's end why it
// failed.
class TErrorRelay {
public:
    // Throws EKioskError when the pipe cannot be made.
    TErrorRelay();
    TErrorRelay(const TErrorRelay&) = delete;
    TErrorRelay& operator=(const TErrorRelay&) = delete;
    // Passes on what is left, a last line without its line break included.
    ~TErrorRelay();

    // What to wait on for output; none once every writer has closed it.
    int ReadEnd() const { return open_ ? read_.Get() : -1; }
    // The program's standard error.
    int WriteEnd() const { return write_.Get(); }
    // Once the program has its copy.
    void CloseWriteEnd() { write_.Close(); }

    // Passes on what waits, without waiting.
    void Drain();

    void StopKeeping();
    // The end of what came, up to the last 16 KB, while kept.
    const std::string& Kept() const { return kept_; }

private:
    TDescriptor read_;
    TDescriptor write_;
    std::string line_;
    std::string kept_;
    bool keeping_ = true;
    bool open_ = true;
};
