// Reading files by descriptor: what the launcher's configuration files rest
// on, shared with the programs beside the launcher that read files the same
// way. Each platform implements it in its file_access.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace carafe::platform {

// Opens a regular file for reading. On failure returns -1 and sets errorText
// to the system's standard message ("No such file or directory"; a directory
// gives "Is a directory"). A device, a pipe or a socket is refused without
// waiting for it, and so is a file larger than maxSize bytes where maxSize is
// not 0: refusal, where given, says which. identity names the file itself, so
// that two paths to one file compare equal.
int openReadable(const std::string& path, std::string& identity, std::string& errorText,
                 FileRefusal* refusal = nullptr, std::uint64_t maxSize = 0);
// Reads up to size bytes; returns the count read, 0 at the end or on error.
std::size_t readSome(int descriptor, char* buffer, std::size_t size);
void closeReadable(int descriptor);

// The whole content of a file, as openReadable and readSome give it; with a
// maxSize, a file that grows beyond it while it is read is refused too.
bool readWholeFile(const std::string& path, std::string& content, std::string& identity,
                   std::string& errorText, FileRefusal* refusal = nullptr,
                   std::uint64_t maxSize = 0);

}  // namespace carafe::platform
