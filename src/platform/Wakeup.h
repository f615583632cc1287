#pragma once

#include "Descriptor.h"

// A descriptor that another thread makes readable to wake a thread waiting in poll().
class TWakeup {
public:
    TWakeup();

    int Fd() const { return fd_.Get(); }
    // Any thread; never blocks.
    void Signal();
    // The waiting thread, after a wake.
    void Drain();

private:
    TDescriptor fd_;
};
