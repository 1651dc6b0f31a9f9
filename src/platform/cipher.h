#pragma once
// The protected-data cipher: MD5 of a pass phrase keys RC4 exactly as the
// Base Cryptographic Provider does (a 40-bit key: the first 5 bytes of the
// digest followed by 11 zero bytes of salt, 16 key bytes in all).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velorin {

inline constexpr const char* kDefaultPassPhrase = "FallbackPhrase_K7UnSealRecord";

class CCipher {
public:
    // Null pass phrase: the built-in default. Only the stream cipher exists here;
    // asking for the block cipher fails.
    bool CipherOpen(const char* passPhrase = nullptr, int blockCipher = 0);
    // Null buffer: returns the enciphered size. Otherwise enciphers in place.
    size_t CipherEncrypt(uint8_t* buffer, size_t dataLength, size_t bufferSize);
    size_t CipherDecrypt(uint8_t* buffer, size_t length);
    void CipherClose();
    bool IsOpen() const { return open_; }

private:
    void Apply(uint8_t* buffer, size_t length) const;

    bool open_ = false;
    std::array<uint8_t, 16> key_{};
};

// Enciphers or deciphers a 12-byte password field with the default pass phrase;
// when the cipher cannot open, the bytes stay as they are.
void EncipherPassword(std::array<uint8_t, 12>& field);
void DecipherPassword(std::array<uint8_t, 12>& field);

}  // namespace velorin
