#pragma once

#include <map>
#include <string>

struct HINSTANCE__;
using HMODULE = HINSTANCE__*; // a loaded library

// Libraries looked up by name, as the program finds the framework's error texts in
// "quartz.dll". The platform's own libraries are modules registered here with their exported
// functions; a test can unregister a module, or register one with a function missing, to see
// the program cope without it. Thread-safe.

using ModuleExports = std::map<std::string, void*>;

void RegisterModule(const std::string& name, ModuleExports exports);
void UnregisterModule(const std::string& name);

// Null when no module of that name is registered (names compare without regard to case).
HMODULE LoadLibrary(const std::string& name);
// Null when the module does not export the name.
void* GetProcAddress(HMODULE module, const std::string& name);
bool FreeLibrary(HMODULE module);
