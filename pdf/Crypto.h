// Hashes and ciphers over byte strings, all from Nettle: what PDF password security is built of.
#pragma once

#include <cstdint>
#include <string>

std::string md5Digest(const std::string& data);
// SHA-256, SHA-384 or SHA-512 as bits asks.
std::string sha2Digest(int bits, const std::string& data);
std::string hmacSha256(const std::string& key, const std::string& data);

// RC4 with a key of 1 to 256 bytes; encrypting and decrypting are the same operation.
std::string rc4Crypt(const std::string& key, const std::string& data);

// AES-CBC with a 16 or 32 byte key and a 16 byte IV over whole blocks, without padding.
std::string aesCbcEncrypt(const std::string& key, const std::string& iv, const std::string& data);
std::string aesCbcDecrypt(const std::string& key, const std::string& iv, const std::string& data);

// value as count bytes, least significant first: how numbers enter the keys PDF derives.
std::string littleEndianBytes(uint32_t value, int count);
