// A bounded reader for the resources of a PE image (an installer executable) held in
// memory. Every read is checked against the image size; a malformed image gives an
// error message, never a read outside the buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qs::packtool {

inline constexpr std::uint32_t RESOURCE_TYPE_RCDATA = 10;

// True when the bytes start with "MZ" and carry "PE\0\0" where the DOS header points.
bool LooksLikePeImage(const std::vector<std::uint8_t>& image);

// Copies the data of resource type/id (first language) into out. False with a message
// in error when the image is malformed or has no such resource.
bool ReadPeResource(const std::vector<std::uint8_t>& image, std::uint32_t type, std::uint32_t id,
                    std::vector<std::uint8_t>& out, std::string& error);

}  // namespace qs::packtool
