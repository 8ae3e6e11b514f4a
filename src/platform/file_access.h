// Reading files by descriptor: what the launcher's configuration files rest
// on, shared with the programs beside the launcher that read files the same
// way. Each platform implements it in its file_access.cpp.
#pragma once

#include <cstddef>
#include <string>

namespace carafe::platform {

// Opens a file for reading. On failure returns -1 and sets errorText to the
// system's standard message ("No such file or directory"; a directory gives
// "Is a directory"). identity names the file itself, so that two paths to one
// file compare equal.
int openReadable(const std::string& path, std::string& identity, std::string& errorText);
// Reads up to size bytes; returns the count read, 0 at the end or on error.
std::size_t readSome(int descriptor, char* buffer, std::size_t size);
void closeReadable(int descriptor);

// The whole content of a file, as openReadable and readSome give it.
bool readWholeFile(const std::string& path, std::string& content, std::string& identity,
                   std::string& errorText);

}  // namespace carafe::platform
