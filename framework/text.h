// Memory, string and text formatting functions of the framework.
#pragma once
#include <cstdarg>

void MemCopy(void* dst, const void* src, int n);
void MemFill(void* dst, int byte, int n);
int StrLen(const char* s);
void StrCopyN(char* dst, const char* src, int n);
int StrCompareNoCase(const char* a, const char* b);

// The framework's bounded formatter: %% %c %s %d %f (16.16) %x %p %b with the
// flags '+' and '0', a width and a precision. Returns the address of the NUL.
char* FormatText(char* buffer, int size, const char* format, ...);
char* FormatTextV(char* buffer, int size, const char* format, va_list args);
