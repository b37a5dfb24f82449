// PDF text of parsed values, for when their stored bytes are not at hand or not usable.
#pragma once

#include <string>

#include "pdf/CPdfObject.h"

// Appends the value as PDF text: strings as hex strings, references as "N G R"; values nested
// deeper than a few dozen levels become null.
void appendValueText(const CPdfObject& value, std::string& out, int depth = 0);

// The trailer entries that keep an encrypted input's output encrypted as the input was: its
// /Encrypt and its /ID (whose first string is part of the key). Empty for a plain input.
std::string encryptionTrailerEntries(const CPdfXRef& xref);
