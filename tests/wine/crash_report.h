// The report a crashing Java writes in the directory it runs in, as the fake
// Java and the fake virtual machine library both write it.
#pragma once

#include <windows.h>

#include <cstdio>

inline void writeCrashReport() {
  char name[64];
  std::snprintf(name, sizeof name, "hs_err_pid%lu.log",
                static_cast<unsigned long>(GetCurrentProcessId()));
  std::FILE* report = std::fopen(name, "wb");
  if (report != nullptr) {
    std::fputs("# A fatal error has been detected\n", report);
    std::fclose(report);
  }
}
