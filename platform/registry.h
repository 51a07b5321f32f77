// Registry values and key trees under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, in the
// registry view of the program's bitness. Narrow strings in the ANSI code page; every
// operation says whether it succeeded with a bool. Inputs longer than an operation's
// buffer are refused, never truncated.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace qs {

inline constexpr std::size_t REG_VALUE_SIZE = 4096;     // ReadUserString's value buffer
inline constexpr std::size_t REG_VALUE_HANDOUT = 4050;  // at most this much is copied out
inline constexpr std::size_t SUBKEY_NAME_SIZE = 1024;   // DeleteKeyTree's enumeration
// The largest multi-string value EditMachineMultiString takes, in bytes.
inline constexpr std::size_t MULTI_STRING_LIMIT = 4 * 1024 * 1024;

// Reads a REG_SZ value under HKEY_CURRENT_USER\subkey into out (capacity bytes). The text
// is copied whole and terminated, also when it was stored without a terminator. True when
// copied; false and out untouched otherwise (missing, another type such as REG_EXPAND_SZ,
// data larger than REG_VALUE_SIZE, text that does not fit REG_VALUE_HANDOUT or out).
bool ReadUserString(const char* subkey, const char* valueName, char* out, std::size_t capacity);
// The same under HKEY_LOCAL_MACHINE\subkey.
bool ReadMachineString(const char* subkey, const char* valueName, char* out, std::size_t capacity);
// Whether HKEY_LOCAL_MACHINE\subkey exists (and can be read).
bool MachineKeyExists(const char* subkey);
// REG_SZ under HKEY_LOCAL_MACHINE\subkey (keys created as needed), its terminating zero
// counted in the data.
bool WriteMachineString(const char* subkey, const char* valueName, const char* text);
// REG_DWORD under HKEY_CURRENT_USER\subkey (keys created as needed).
bool WriteUserDword(const char* subkey, const char* valueName, std::uint32_t value);
// REG_DWORD under HKEY_LOCAL_MACHINE\subkey (keys created as needed).
bool WriteMachineDword(const char* subkey, const char* valueName, std::uint32_t value);
// An edit of a multi-string value's UTF-16 units in place: returns how many units stay,
// at the front of units (at most count); 0 stands for an empty value.
using MultiStringEdit = std::size_t (*)(char16_t* units, std::size_t count, void* context);
// Reads the REG_MULTI_SZ value valueName of HKEY_LOCAL_MACHINE\subkey (names in UTF-16:
// the value is), lets edit change its units and stores what stays: nothing when edit kept
// every unit, no value when it kept none. True when the value is as edited afterwards or
// was missing; false when it cannot be read (another type, an odd size, more than
// MULTI_STRING_LIMIT bytes) or stored. A change another program makes between the read
// and the store is lost.
bool EditMachineMultiString(const wchar_t* subkey, const wchar_t* valueName, MultiStringEdit edit, void* context);
// Deletes root\subkey and everything below it, depth first. True when deleted; false when
// the key is missing, anything stays behind, or subkey is empty (the root itself).
bool DeleteKeyTree(HKEY root, const char* subkey);

}  // namespace qs
