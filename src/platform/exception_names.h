// The names of the exception codes with which Windows ends a program that
// crashed, for telling how Java ended.
#pragma once

#include <cstdint>
#include <string>

namespace carafe::platform {

// "exception 0xC0000005 (access violation)": the code in the form people look
// up, with its meaning where it is one of the common ones.
std::string exceptionDescription(std::uint32_t code);

}  // namespace carafe::platform
