// Building package resources on the maintainer's machine: the directory, the contents
// enciphered along the key chain, the plain-content digests.
//
// The reserved field of each directory entry holds the CRC-32 (IEEE 802.3: reflected
// polynomial 0xEDB88320, initial value and final XOR 0xFFFFFFFF) of the entry's stored,
// enciphered bytes. The installer never reads it; `qspack list` uses it to tell damaged
// stored bytes apart from an entry that fails only because an earlier entry's damage
// broke the key chain.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qs::packtool {

struct PackageInput {
    std::string name;                // stored name: a safe relative name under 128 bytes
    std::vector<std::uint8_t> data;  // plain content, at least one byte
};

// CRC-32 as described above.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

// Checks that contents of these sizes fit a package whose offsets are 32-bit: every
// size at least 1 and 468 + the sum of the sizes at most 0xFFFFFFFF. On success fills
// offsets (one per size, back to back after the directory); else error names the file.
bool PlanPackageLayout(const std::vector<std::uint64_t>& sizes, const std::vector<std::string>& names,
                       std::vector<std::uint32_t>& offsets, std::string& error);

// Refuses a name that the installer would refuse: 128 bytes or more, an embedded NUL,
// or not a safe relative name. Empty error when acceptable.
bool CheckEntryName(const std::string& name, std::string& error);

// Builds a package from exactly three inputs. False with a message in error when an
// input is refused (count, name, empty content, total size); out is then unchanged.
bool BuildPackage(const std::vector<PackageInput>& inputs, std::vector<std::uint8_t>& out, std::string& error);

}  // namespace qs::packtool
