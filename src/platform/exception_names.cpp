#include "platform/exception_names.h"

#include <cstdio>

namespace carafe::platform {

namespace {

struct ExceptionName {
  std::uint32_t code;
  const char* meaning;
};

const ExceptionName EXCEPTION_NAMES[] = {
    {0x80000003u, "breakpoint"},
    {0xC0000005u, "access violation"},
    {0xC0000006u, "in-page error"},
    {0xC0000017u, "out of memory"},
    {0xC000001Du, "illegal instruction"},
    {0xC0000025u, "noncontinuable exception"},
    {0xC000007Bu, "invalid program image"},
    {0xC000008Cu, "array bounds exceeded"},
    {0xC000008Eu, "floating-point division by zero"},
    {0xC0000094u, "integer division by zero"},
    {0xC0000095u, "integer overflow"},
    {0xC0000096u, "privileged instruction"},
    {0xC00000FDu, "stack overflow"},
    {0xC0000135u, "a DLL was not found"},
    {0xC0000139u, "an entry point was not found"},
    {0xC000013Au, "ended by Ctrl+C"},
    {0xC0000142u, "a DLL failed to initialise"},
    {0xC0000374u, "heap corruption"},
    {0xC0000409u, "stack buffer overrun"},
    {0xC0000417u, "invalid parameter to the C runtime"},
};

}  // namespace

std::string exceptionDescription(std::uint32_t code) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(code));
  std::string text = std::string("exception ") + number;
  for (const ExceptionName& known : EXCEPTION_NAMES) {
    if (known.code == code) text += std::string(" (") + known.meaning + ")";
  }
  return text;
}

}  // namespace carafe::platform
