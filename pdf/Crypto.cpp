// Hashes and ciphers over byte strings: thin wrappers around Nettle.
#include "pdf/Crypto.h"

#include <nettle/aes.h>
#include <nettle/arcfour.h>
#include <nettle/cbc.h>
#include <nettle/hmac.h>
#include <nettle/md5.h>
#include <nettle/sha2.h>

#include <cassert>
#include <cstring>

namespace {

const uint8_t* in(const std::string& bytes) {
    return reinterpret_cast<const uint8_t*>(bytes.data());
}

uint8_t* out(std::string& bytes) {
    return reinterpret_cast<uint8_t*>(&bytes[0]);
}

// Block functions with the signature Nettle's CBC mode calls.
void aes128Encrypt(const void* ctx, size_t length, uint8_t* dst, const uint8_t* src) {
    aes128_encrypt(static_cast<const aes128_ctx*>(ctx), length, dst, src);
}
void aes128Decrypt(const void* ctx, size_t length, uint8_t* dst, const uint8_t* src) {
    aes128_decrypt(static_cast<const aes128_ctx*>(ctx), length, dst, src);
}
void aes256Encrypt(const void* ctx, size_t length, uint8_t* dst, const uint8_t* src) {
    aes256_encrypt(static_cast<const aes256_ctx*>(ctx), length, dst, src);
}
void aes256Decrypt(const void* ctx, size_t length, uint8_t* dst, const uint8_t* src) {
    aes256_decrypt(static_cast<const aes256_ctx*>(ctx), length, dst, src);
}

// One pass of Nettle's CBC mode with the block cipher of Context.
template <class Context>
void runCbc(bool encrypt, void (*setKey)(Context*, const uint8_t*), nettle_cipher_func* cipher,
            const std::string& key, const std::string& iv, const std::string& data,
            std::string& result) {
    Context ctx;
    setKey(&ctx, in(key));
    uint8_t chain[AES_BLOCK_SIZE];
    std::memcpy(chain, iv.data(), sizeof chain);
    (encrypt ? cbc_encrypt : cbc_decrypt)(&ctx, cipher, AES_BLOCK_SIZE, chain, data.size(),
                                          out(result), in(data));
}

std::string aesCbc(bool encrypt, const std::string& key, const std::string& iv,
                   const std::string& data) {
    assert(iv.size() == AES_BLOCK_SIZE && data.size() % AES_BLOCK_SIZE == 0);
    std::string result(data.size(), '\0');
    if (data.empty()) return result;
    if (key.size() == AES128_KEY_SIZE) {
        runCbc<aes128_ctx>(encrypt, encrypt ? aes128_set_encrypt_key : aes128_set_decrypt_key,
                           encrypt ? aes128Encrypt : aes128Decrypt, key, iv, data, result);
    } else {
        assert(key.size() == AES256_KEY_SIZE);
        runCbc<aes256_ctx>(encrypt, encrypt ? aes256_set_encrypt_key : aes256_set_decrypt_key,
                           encrypt ? aes256Encrypt : aes256Decrypt, key, iv, data, result);
    }
    return result;
}

}  // namespace

std::string md5Digest(const std::string& data) {
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, data.size(), in(data));
    std::string digest(MD5_DIGEST_SIZE, '\0');
    md5_digest(&ctx, digest.size(), out(digest));
    return digest;
}

std::string sha2Digest(int bits, const std::string& data) {
    std::string digest(static_cast<size_t>(bits / 8), '\0');
    if (bits == 256) {
        sha256_ctx ctx;
        sha256_init(&ctx);
        sha256_update(&ctx, data.size(), in(data));
        sha256_digest(&ctx, digest.size(), out(digest));
    } else if (bits == 384) {
        sha384_ctx ctx;
        sha384_init(&ctx);
        sha384_update(&ctx, data.size(), in(data));
        sha384_digest(&ctx, digest.size(), out(digest));
    } else {
        assert(bits == 512);
        sha512_ctx ctx;
        sha512_init(&ctx);
        sha512_update(&ctx, data.size(), in(data));
        sha512_digest(&ctx, digest.size(), out(digest));
    }
    return digest;
}

std::string hmacSha256(const std::string& key, const std::string& data) {
    hmac_sha256_ctx ctx;
    hmac_sha256_set_key(&ctx, key.size(), in(key));
    hmac_sha256_update(&ctx, data.size(), in(data));
    std::string digest(SHA256_DIGEST_SIZE, '\0');
    hmac_sha256_digest(&ctx, digest.size(), out(digest));
    return digest;
}

std::string rc4Crypt(const std::string& key, const std::string& data) {
    assert(key.size() >= ARCFOUR_MIN_KEY_SIZE && key.size() <= ARCFOUR_MAX_KEY_SIZE);
    arcfour_ctx ctx;
    arcfour_set_key(&ctx, key.size(), in(key));
    std::string result(data.size(), '\0');
    if (!data.empty()) arcfour_crypt(&ctx, data.size(), out(result), in(data));
    return result;
}

std::string aesCbcEncrypt(const std::string& key, const std::string& iv, const std::string& data) {
    return aesCbc(true, key, iv, data);
}

std::string aesCbcDecrypt(const std::string& key, const std::string& iv, const std::string& data) {
    return aesCbc(false, key, iv, data);
}

std::string littleEndianBytes(uint32_t value, int count) {
    std::string result;
    for (int i = 0; i < count; i++) result += static_cast<char>((value >> (8 * i)) & 0xFF);
    return result;
}
