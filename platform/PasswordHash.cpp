#include "platform/PasswordHash.h"

#include <array>
#include <sodium.h>

namespace kestrum {

namespace {

bool sodiumReady() {
    // Safe to call more than once and from several threads; -1 only when it cannot start.
    return sodium_init() >= 0;
}

} // namespace

std::optional<std::string> hashPassword(std::string_view password) {
    std::array<char, crypto_pwhash_STRBYTES> hash{};
    if (!sodiumReady() || crypto_pwhash_str_alg(hash.data(), password.data(), password.size(),
                                                crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                                crypto_pwhash_MEMLIMIT_INTERACTIVE,
                                                crypto_pwhash_ALG_ARGON2ID13) != 0) {
        return std::nullopt;
    }
    return std::string(hash.data());
}

bool passwordMatches(std::string_view password, const std::string& hash) {
    if (!sodiumReady() || !looksLikePasswordHash(hash)) {
        return false;
    }
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

bool looksLikePasswordHash(std::string_view hash) {
    return hash.starts_with("$argon2id$") && hash.size() < crypto_pwhash_STRBYTES;
}

std::string randomToken() {
    std::array<unsigned char, 32> bytes{};
    if (!sodiumReady()) {
        // Without the system's random source no session may be made; the caller's check of
        // an empty token refuses it.
        return {};
    }
    randombytes_buf(bytes.data(), bytes.size());
    std::array<char, bytes.size() * 2 + 1> hex{};
    sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
    return std::string(hex.data());
}

} // namespace kestrum
