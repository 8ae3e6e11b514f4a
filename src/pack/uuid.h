// The identifiers of a Windows Installer package: GUIDs as WiX writes them
// (uppercase, in braces), name-based ones (UUID version 5) among them, so
// that the same names always give the same code.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace carafe::pack {

using Uuid = std::array<std::uint8_t, 16>;

// "{6F1C2A2E-4C8E-5B8E-9A51-0A5B8F0E2C11}".
std::string formatUuid(const Uuid& uuid);

// A UUID written with or without braces, in either letter case; nothing for
// any other text.
std::optional<Uuid> parseUuid(const std::string& text);

// The name-based UUID (version 5, SHA-1) of name in namespaceId.
Uuid nameBasedUuid(const Uuid& namespaceId, const std::string& name);

}  // namespace carafe::pack
