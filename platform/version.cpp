// Classification of a Windows version into the class the window names.
#include "platform/version.h"

namespace qs {
namespace {

constexpr std::uint32_t MAJOR_NT5 = 5;
constexpr std::uint32_t MAJOR_NT6 = 6;
constexpr std::uint32_t MAJOR_WINDOWS_10 = 10;
constexpr std::uint32_t MAJOR_WINDOWS_11 = 11;
constexpr std::uint32_t MINOR_FIRST = 0;
constexpr std::uint32_t MINOR_NT52 = 2;
constexpr std::uint32_t MINOR_WINDOWS_7 = 1;
constexpr std::uint32_t MINOR_WINDOWS_8 = 2;
constexpr std::uint32_t MINOR_WINDOWS_81 = 3;

constexpr OsClass CLASS_NT50 = 0;
constexpr OsClass CLASS_NT51 = 1;
constexpr OsClass CLASS_NT52 = 2;
constexpr OsClass CLASS_NT60 = 3;
constexpr OsClass CLASS_WINDOWS_7 = 4;
constexpr OsClass CLASS_WINDOWS_8 = 5;
constexpr OsClass CLASS_WINDOWS_81 = 6;
constexpr OsClass CLASS_WINDOWS_10 = 7;
constexpr OsClass CLASS_WINDOWS_11 = 8;

OsClass ClassifyNt5(std::uint32_t minor) {
    if (minor == MINOR_FIRST) return CLASS_NT50;
    if (minor == MINOR_NT52) return CLASS_NT52;
    return CLASS_NT51;
}

OsClass ClassifyNt6(std::uint32_t minor, std::uint8_t productType) {
    switch (minor) {
        case MINOR_FIRST:
            return CLASS_NT60;
        case MINOR_WINDOWS_7:
            return productType == VER_PRODUCT_WORKSTATION ? CLASS_WINDOWS_7 : CLASS_NT60;
        case MINOR_WINDOWS_8:
            return CLASS_WINDOWS_8;
        case MINOR_WINDOWS_81:
            return CLASS_WINDOWS_81;
        default:
            return OS_CLASS_UNKNOWN;
    }
}

}  // namespace

OsClass ClassifyOsVersion(std::uint32_t major, std::uint32_t minor, std::uint8_t productType) {
    if (major <= MAJOR_NT5) return ClassifyNt5(minor);
    if (major == MAJOR_NT6) return ClassifyNt6(minor, productType);
    if (major == MAJOR_WINDOWS_10) return CLASS_WINDOWS_10;
    if (major >= MAJOR_WINDOWS_11) return CLASS_WINDOWS_11;
    return OS_CLASS_UNKNOWN;
}

}  // namespace qs
