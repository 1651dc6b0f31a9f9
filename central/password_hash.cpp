#include "central/password_hash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace velorin::central {
namespace {

bool Derive(std::string_view password, std::string_view salt, uint32_t iterations,
            std::string& out) {
    if (iterations == 0 || iterations > 0x7FFFFFFF) return false;
    out.assign(kHashSize, '\0');
    return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                             reinterpret_cast<const unsigned char*>(salt.data()),
                             static_cast<int>(salt.size()), static_cast<int>(iterations),
                             EVP_sha256(), static_cast<int>(out.size()),
                             reinterpret_cast<unsigned char*>(out.data())) == 1;
}

}  // namespace

bool HashNewPassword(std::string_view password, PasswordHash& out) {
    out.salt.assign(kSaltSize, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(out.salt.data()), kSaltSize) != 1) {
        return false;
    }
    out.iterations = kPasswordIterations;
    return Derive(password, out.salt, out.iterations, out.hash);
}

bool VerifyPassword(std::string_view password, const PasswordHash& stored) {
    std::string derived;
    if (!Derive(password, stored.salt, stored.iterations, derived)) return false;
    return derived.size() == stored.hash.size() &&
           CRYPTO_memcmp(derived.data(), stored.hash.data(), derived.size()) == 0;
}

void SpendVerificationTime(std::string_view password) {
    std::string ignored;
    Derive(password, std::string(kSaltSize, '\0'), kPasswordIterations, ignored);
}

}  // namespace velorin::central
