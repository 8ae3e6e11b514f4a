// The names of the entries of a zip file (a jar), from its central directory.
// Reading is kept apart: the caller gives the bytes that are asked for.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace carafe::check {

// Gives size bytes of the file from offset; false when they cannot be read.
using ReadRange = std::function<bool(std::uint64_t offset, std::size_t size, std::string& bytes)>;

// The entry names of a zip file of fileSize bytes, or false with a reason
// ("not a zip file", "its central directory is cut short").
bool readZipEntries(std::uint64_t fileSize, const ReadRange& read, std::vector<std::string>& names,
                    std::string& problem);

}  // namespace carafe::check
