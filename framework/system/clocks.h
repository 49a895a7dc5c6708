// The framework's clocks: 64-bit counts since an arbitrary origin.
#pragma once
#include <cstdint>

uint64_t GetMilliseconds();
uint64_t GetMicroseconds();
