// Whole files in and out of memory, with errors as text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data, std::string* error);
// Complete or absent: see platform::OutputFile ("-" is the standard output).
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error);
