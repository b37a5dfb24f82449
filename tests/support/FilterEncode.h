// Encoders for the stream filters Tessel decodes, so that tests can store data in every form.
#pragma once

#include <string>

std::string asciiHexBytes(const std::string& data);
std::string ascii85Bytes(const std::string& data);
std::string runLengthBytes(const std::string& data);
// LZW with the table grown as a decoder grows it and the code width changing one code early
// (earlyChange, the default) or not.
std::string lzwBytes(const std::string& data, bool earlyChange = true);
// data stored through the filters of a /Filter value ("/AHx", "[/A85 /Fl]"; /LZW early
// change on), the first filter decoding the stored bytes.
std::string encodeWithFilters(const std::string& data, const std::string& filters);
