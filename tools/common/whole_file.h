// Whole files in and out of memory, with errors as text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data, std::string* error);
// Writes to a temporary name beside the target and renames it into place,
// so a failed write never leaves a half-written file under the real name.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error);
