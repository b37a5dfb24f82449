// Encoders for the stream filters Tessel decodes, so that tests can store data in every form.
#pragma once

#include <string>

std::string asciiHexBytes(const std::string& data);
std::string ascii85Bytes(const std::string& data);
std::string runLengthBytes(const std::string& data);
std::string lzwBytes(const std::string& data, bool earlyChange = true);  // literal codes only
// data stored through the filters of a /Filter value ("/AHx", "[/A85 /Fl]"), first filter last.
std::string encodeWithFilters(const std::string& data, const std::string& filters);
