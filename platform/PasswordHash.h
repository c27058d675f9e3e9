#pragma once

// The web interface's password, kept only as a hash (Argon2id, libsodium's crypto_pwhash_str:
// the salt and the cost are in the text), and the random tokens of its sessions.

#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// The hash of `password` as one line of text ("$argon2id$v=19$m=...,t=...,p=1$salt$hash");
// nothing when the library cannot run (it fails only without memory).
std::optional<std::string> hashPassword(std::string_view password);

// Whether `password` is the one `hash` was made from. False for a hash that is no such text.
bool passwordMatches(std::string_view password, const std::string& hash);

// Whether `hash` has the form hashPassword writes.
bool looksLikePasswordHash(std::string_view hash);

// 32 random bytes from the system's source, as 64 hexadecimal digits.
std::string randomToken();

} // namespace kestrum
