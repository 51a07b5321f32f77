// The maintainer's package tool `qspack`: command-line handling shared by the program
// and its tests.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace qs::packtool {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;

// Reads a raw package file, or the package resource (RCDATA 100) of an installer
// executable. False with a message in error when neither can be read.
bool LoadPackageFile(const std::string& path, std::vector<std::uint8_t>& package, std::string& error);

// Runs one command (args exclude the program name). Returns the exit code.
int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qs::packtool
