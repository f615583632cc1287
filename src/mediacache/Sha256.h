#pragma once

#include <cstddef>
#include <memory>
#include <string>

// SHA-256 of a stream of bytes, through the system's libcrypto (several times faster than a
// portable implementation, which matters when a cache of gigabytes is checked at start).
class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Add(const void* data, size_t size);
    // The digest in lower-case hex. The hash starts again afterwards.
    std::string Hex();

private:
    struct TContext;
    std::unique_ptr<TContext> context_;
};

// The SHA-256 of a whole file in lower-case hex, or empty when it cannot be read.
std::string Sha256OfFile(const std::string& path);
