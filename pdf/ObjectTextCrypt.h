// An object's text with its strings and stream data decrypted or encrypted under one object's
// key: how Tessel edits the objects of an encrypted file as plain text and writes them back.
#pragma once

#include <cstdint>
#include <string>

class CPdfSecurity;

// The text "N G obj ... endobj" as stored under num and gen, made plain: every string of the
// value becomes a hex string of its decrypted bytes, and stream data its decrypted bytes with a
// direct /Length. storedLength is the length of the stored data when the caller knows it (an
// indirect /Length); -1 takes a direct /Length, or else the data up to "endstream".
std::string decryptObjectText(const CPdfSecurity& security, int num, int gen,
                              const std::string& text, int64_t storedLength = -1);

// A plain text (as above, or made new) encrypted for writing under num and gen.
std::string encryptObjectText(const CPdfSecurity& security, int num, int gen,
                              const std::string& text);
