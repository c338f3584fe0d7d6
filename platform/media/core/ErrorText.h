#pragma once

#include "platform/com/HResult.h"

#include <cstdint>

// The framework's error texts, in Polish, for the result codes the platform returns. The
// program finds them through the module "quartz.dll" (RegisterQuartzModule), as it would on the
// system it was written for. Any thread.

// Copies the text for `result` into `buffer`, at most `maxLength` - 1 characters and a NUL
// (UTF-8 here; a character is never split). Returns the characters copied; 0 when the code has
// no text or the buffer is empty.
uint32_t AMGetErrorTextA(HRESULT result, char* buffer, uint32_t maxLength);
// The same in UTF-16 code units.
uint32_t AMGetErrorTextW(HRESULT result, char16_t* buffer, uint32_t maxLength);

using AMGetErrorTextAFunction = uint32_t (*)(HRESULT, char*, uint32_t);
using AMGetErrorTextWFunction = uint32_t (*)(HRESULT, char16_t*, uint32_t);

// Makes "quartz.dll" with its two functions available to LoadLibrary.
void RegisterQuartzModule();
