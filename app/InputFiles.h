// The files a conversion reads: opened with the reason when they cannot be, checked to be PDF,
// and never the output.
#pragma once

#include <string>

#include "pdf/FileHandle.h"

class CPdfDocument;

// Opens name for raw reading. Throws "Input file open error\n" followed by the system's reason
// when it cannot be read, and a message of its own when its first 1024 bytes hold no "%PDF-".
FileHandle openInputFile(const std::string& name);

// Opens doc on name; an encrypted file's message says what would open it.
void openInputDocument(CPdfDocument& doc, const std::string& name, const std::string& password);

// Throws CPdfException when output names the file that the run reads as `role` ("input",
// "sequence", "list"): writing it would destroy what is still to be read.
void refuseOutputOverRead(const std::string& output, const std::string& readFile, const char* role);
