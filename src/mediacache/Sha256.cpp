#include "mediacache/Sha256.h"

#include "platform/Descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <openssl/evp.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

struct TSha256::TContext {
    EVP_MD_CTX* Context = EVP_MD_CTX_new();
    ~TContext() { EVP_MD_CTX_free(Context); }
    void Begin() {
        if (Context == nullptr || EVP_DigestInit_ex(Context, EVP_sha256(), nullptr) != 1)
            throw std::runtime_error("libcrypto cannot hash with SHA-256");
    }
};

TSha256::TSha256() : context_(std::make_unique<TContext>()) {
    context_->Begin();
}

TSha256::~TSha256() = default;

void TSha256::Add(const void* data, size_t size) {
    EVP_DigestUpdate(context_->Context, data, size);
}

std::string TSha256::Hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->Context, digest, &length);
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += Digits[digest[i] >> 4];
        hex += Digits[digest[i] & 15];
    }
    context_->Begin();
    return hex;
}

std::string Sha256OfFile(const std::string& path) {
    const TDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid())
        return {};
    TSha256 hash;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {};
        if (n == 0)
            break;
        hash.Add(buffer.data(), static_cast<size_t>(n));
    }
    return hash.Hex();
}
