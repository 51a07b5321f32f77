// Registry values and key trees (see registry.h).
#include "platform/registry.h"

#include <cstring>

#include "platform/owners.h"

namespace qs {
namespace {

constexpr DWORD DWORD_VALUE_SIZE = sizeof(DWORD);
constexpr REGSAM KEY_TREE_ACCESS = DELETE | KEY_ENUMERATE_SUB_KEYS;
constexpr REGSAM KEY_EDIT_ACCESS = KEY_QUERY_VALUE | KEY_SET_VALUE;
// A value that grows between its size query and its read is asked for again, so often.
constexpr int VALUE_READ_ATTEMPTS = 4;
constexpr DWORD UTF16_UNIT_SIZE = sizeof(char16_t);

bool WriteValue(HKEY root, const char* subkey, const char* valueName, DWORD type, const void* data, DWORD size) {
    if (subkey == nullptr || valueName == nullptr) return false;
    UniqueKey key;
    if (::RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExA(key.get(), valueName, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool WriteString(HKEY root, const char* subkey, const char* valueName, const char* text) {
    if (text == nullptr) return false;
    // The terminating zero belongs to the data of a REG_SZ value.
    const std::size_t size = std::strlen(text) + 1;
    if (size > MAXDWORD) return false;
    return WriteValue(root, subkey, valueName, REG_SZ, text, static_cast<DWORD>(size));
}

bool WriteDword(HKEY root, const char* subkey, const char* valueName, std::uint32_t value) {
    const DWORD data = value;
    return WriteValue(root, subkey, valueName, REG_DWORD, &data, DWORD_VALUE_SIZE);
}

bool ReadString(HKEY root, const char* subkey, const char* valueName, char* out, std::size_t capacity) {
    if (subkey == nullptr || valueName == nullptr || out == nullptr || capacity == 0) return false;
    UniqueKey key;
    if (::RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    char value[REG_VALUE_SIZE];
    DWORD size = sizeof value;
    DWORD type = REG_NONE;
    const LONG status = ::RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    key.reset();
    if (status != ERROR_SUCCESS || type != REG_SZ) return false;
    // The text ends at its terminator or at the end of the data, whichever comes first;
    // it is handed out whole, with a terminator, or not at all.
    const void* end = std::memchr(value, '\0', size);
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - value) : size;
    const std::size_t limit = capacity < REG_VALUE_HANDOUT ? capacity : REG_VALUE_HANDOUT;
    if (length >= limit) return false;
    std::memcpy(out, value, length);
    out[length] = '\0';
    return true;
}

}  // namespace

bool ReadUserString(const char* subkey, const char* valueName, char* out, std::size_t capacity) {
    return ReadString(HKEY_CURRENT_USER, subkey, valueName, out, capacity);
}

bool ReadMachineString(const char* subkey, const char* valueName, char* out, std::size_t capacity) {
    return ReadString(HKEY_LOCAL_MACHINE, subkey, valueName, out, capacity);
}

bool MachineKeyExists(const char* subkey) {
    UniqueKey key;
    return subkey != nullptr &&
           ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
}

bool WriteMachineString(const char* subkey, const char* valueName, const char* text) {
    return WriteString(HKEY_LOCAL_MACHINE, subkey, valueName, text);
}

bool WriteUserDword(const char* subkey, const char* valueName, std::uint32_t value) {
    return WriteDword(HKEY_CURRENT_USER, subkey, valueName, value);
}

bool WriteMachineDword(const char* subkey, const char* valueName, std::uint32_t value) {
    return WriteDword(HKEY_LOCAL_MACHINE, subkey, valueName, value);
}

bool EditMachineMultiString(const wchar_t* subkey, const wchar_t* valueName, MultiStringEdit edit, void* context) {
    if (subkey == nullptr || valueName == nullptr || edit == nullptr) return false;
    UniqueKey key;
    const LONG opened = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey, 0, KEY_EDIT_ACCESS, key.put());
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    UniqueLocalMemory memory;
    DWORD size = 0;
    DWORD type = REG_NONE;
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < VALUE_READ_ATTEMPTS && status == ERROR_MORE_DATA; ++attempt) {
        status = ::RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND) return true;
        if (status != ERROR_SUCCESS || type != REG_MULTI_SZ || size % UTF16_UNIT_SIZE != 0 ||
            size > MULTI_STRING_LIMIT) {
            return false;
        }
        if (size == 0) return true;
        memory.reset(::LocalAlloc(LMEM_FIXED, size));
        if (!memory) return false;
        status = ::RegQueryValueExW(key.get(), valueName, nullptr, &type, static_cast<BYTE*>(memory.get()), &size);
    }
    if (status != ERROR_SUCCESS || type != REG_MULTI_SZ || size % UTF16_UNIT_SIZE != 0) return false;
    auto* units = static_cast<char16_t*>(memory.get());
    const std::size_t count = size / UTF16_UNIT_SIZE;
    const std::size_t kept = edit(units, count, context);
    if (kept == count) return true;
    if (kept > count) return false;
    if (kept == 0) return ::RegDeleteValueW(key.get(), valueName) == ERROR_SUCCESS;
    return ::RegSetValueExW(key.get(), valueName, 0, REG_MULTI_SZ, static_cast<const BYTE*>(memory.get()),
                            static_cast<DWORD>(kept * UTF16_UNIT_SIZE)) == ERROR_SUCCESS;
}

bool DeleteKeyTree(HKEY root, const char* subkey) {
    // An empty subkey would name the root itself.
    if (subkey == nullptr || subkey[0] == '\0') return false;
    UniqueKey key;
    if (::RegOpenKeyExA(root, subkey, 0, KEY_TREE_ACCESS, key.put()) != ERROR_SUCCESS) return false;
    char name[SUBKEY_NAME_SIZE];
    for (;;) {
        // Index 0 every time: each deletion renumbers the subkeys that remain.
        DWORD nameSize = static_cast<DWORD>(SUBKEY_NAME_SIZE - 1);
        const LONG status = ::RegEnumKeyExA(key.get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return false;  // the key stays: not deleted
        if (!DeleteKeyTree(key.get(), name)) return false;
    }
    key.reset();
    return ::RegDeleteKeyA(root, subkey) == ERROR_SUCCESS;
}

}  // namespace qs
