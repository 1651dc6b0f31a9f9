#include "platform/cipher.h"

#include <openssl/evp.h>

#include <cstring>

namespace velorin {

bool CCipher::CipherOpen(const char* passPhrase, int blockCipher) {
    if (open_) return true;
    if (blockCipher != 0) return false;
    const char* phrase = passPhrase ? passPhrase : kDefaultPassPhrase;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(phrase, std::strlen(phrase), digest, &size, EVP_md5(), nullptr) != 1 ||
        size != 16) {
        return false;
    }
    key_.fill(0);
    std::memcpy(key_.data(), digest, 5);
    open_ = true;
    return true;
}

void CCipher::Apply(uint8_t* buffer, size_t length) const {
    // RC4: the key schedule, then the keystream XORed over the data.
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<uint8_t>(j + s[i] + key_[i % key_.size()]);
        std::swap(s[i], s[j]);
    }
    uint8_t x = 0;
    uint8_t y = 0;
    for (size_t n = 0; n < length; ++n) {
        x = static_cast<uint8_t>(x + 1);
        y = static_cast<uint8_t>(y + s[x]);
        std::swap(s[x], s[y]);
        buffer[n] ^= s[static_cast<uint8_t>(s[x] + s[y])];
    }
}

size_t CCipher::CipherEncrypt(uint8_t* buffer, size_t dataLength, size_t bufferSize) {
    if (!open_) return 0;
    // A stream cipher: the enciphered size is the data size.
    if (!buffer) return dataLength;
    if (bufferSize < dataLength) return 0;
    Apply(buffer, dataLength);
    return dataLength;
}

size_t CCipher::CipherDecrypt(uint8_t* buffer, size_t length) {
    if (!open_ || !buffer) return 0;
    Apply(buffer, length);
    return length;
}

void CCipher::CipherClose() {
    key_.fill(0);
    open_ = false;
}

void EncipherPassword(std::array<uint8_t, 12>& field) {
    CCipher cipher;
    if (cipher.CipherOpen()) {
        cipher.CipherEncrypt(field.data(), field.size(), field.size());
        cipher.CipherClose();
    }
}

void DecipherPassword(std::array<uint8_t, 12>& field) {
    CCipher cipher;
    if (cipher.CipherOpen()) {
        cipher.CipherDecrypt(field.data(), field.size());
        cipher.CipherClose();
    }
}

}  // namespace velorin
