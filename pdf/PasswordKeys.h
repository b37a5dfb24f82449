// Password checks of the standard security handler: the file key that a password unlocks.
#pragma once

#include <string>

#include "pdf/EncryptionDict.h"

// The file key when password is the user password; empty when it is not.
std::string fileKeyForUserPassword(const EncryptionDict& dict, const std::string& password);
// The file key when password is the owner password; empty when it is not. Up to revision 4 the
// owner password decrypts the user password out of /O, from revision 5 the file key out of /OE.
std::string fileKeyForOwnerPassword(const EncryptionDict& dict, const std::string& password);
