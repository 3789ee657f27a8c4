// A byte buffer for passphrases and plain text that is wiped when it is
// destroyed or reassigned, so that secrets do not linger in freed memory.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace sdk {

inline void wipe(void* p, size_t n) {
    if (!n) return;
    std::memset(p, 0, n);
    // The barrier keeps the compiler from dropping the memset of a dying buffer.
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

class SecureBytes {
public:
    SecureBytes() = default;
    SecureBytes(const void* p, size_t n) { assign(p, n); }
    SecureBytes(const SecureBytes& o) { assign(o.data(), o.size()); }
    SecureBytes& operator=(const SecureBytes& o) {
        if (this != &o) assign(o.data(), o.size());
        return *this;
    }
    SecureBytes(SecureBytes&& o) noexcept : bytes_(std::move(o.bytes_)) {}
    SecureBytes& operator=(SecureBytes&& o) noexcept {
        clear();
        bytes_ = std::move(o.bytes_);
        return *this;
    }
    ~SecureBytes() { clear(); }

    void assign(const void* p, size_t n) {
        clear();
        bytes_.resize(n + 1);  // zero-terminated for RNP's password texts
        if (n) std::memcpy(bytes_.data(), p, n);
        bytes_[n] = 0;
    }
    void clear() {
        if (!bytes_.empty()) wipe(bytes_.data(), bytes_.size());
        bytes_.clear();
    }
    bool empty() const { return bytes_.size() <= 1; }
    size_t size() const { return bytes_.empty() ? 0 : bytes_.size() - 1; }
    const char* data() const { return bytes_.empty() ? "" : bytes_.data(); }
    const char* c_str() const { return data(); }

private:
    std::vector<char> bytes_;
};

}  // namespace sdk
