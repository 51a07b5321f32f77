// Resources of the built installer, read from the executable loaded as a data file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/owners.h"
#include "setup/product.h"

namespace qs {
namespace {

constexpr WORD ENGLISH_US = 1033;

// The installer built with this program, or the one QS_INSTALLER_UNDER_TEST names (a
// Unix path). Wine shows the build tree's Unix paths under drive Z:.
std::string InstallerPath() {
    const char* other = std::getenv("QS_INSTALLER_UNDER_TEST");
    std::string path = std::string("Z:") + (other != nullptr && *other != '\0' ? other : QS_INSTALLER_PATH);
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Whether the installer file is an x86-64 program (else a 32-bit one).
bool InstallerIs64Bit() {
    DWORD type = 0;
    return ::GetBinaryTypeA(InstallerPath().c_str(), &type) && type == SCS_64BIT_BINARY;
}

// One resource's bytes, found by type, integer identifier and language 1033.
std::string ResourceBytes(HMODULE module, LPCSTR type, WORD id) {
    HRSRC found = ::FindResourceExA(module, type, MAKEINTRESOURCEA(id), ENGLISH_US);
    if (found == nullptr) return {};
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) return {};
    return std::string(static_cast<const char*>(data), ::SizeofResource(module, found));
}

template <typename T>
T ReadAt(const std::string& bytes, std::size_t offset) {
    T value{};
    if (offset + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// (type, identifier) -> languages, over every resource of the module.
using ResourceTable = std::map<std::pair<WORD, WORD>, std::set<WORD>>;

struct Walk {
    HMODULE module;
    ResourceTable table;
    int namedEntries = 0;  // resources with string types or names: none expected
    WORD type = 0;
    WORD id = 0;
};

BOOL CALLBACK OnLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR context) {
    Walk& walk = *reinterpret_cast<Walk*>(context);
    walk.table[{walk.type, walk.id}].insert(language);
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR context) {
    Walk& walk = *reinterpret_cast<Walk*>(context);
    if (!IS_INTRESOURCE(name)) {
        ++walk.namedEntries;
        return TRUE;
    }
    walk.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    ::EnumResourceLanguagesA(module, type, name, OnLanguage, context);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPSTR type, LONG_PTR context) {
    Walk& walk = *reinterpret_cast<Walk*>(context);
    if (!IS_INTRESOURCE(type)) {
        ++walk.namedEntries;
        return TRUE;
    }
    walk.type = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(type));
    ::EnumResourceNamesA(module, type, OnName, context);
    return TRUE;
}

class ResourcesTest : public testing::Test {
protected:
    void SetUp() override {
        module_.reset(::LoadLibraryExA(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(module_) << InstallerPath() << " error " << ::GetLastError();
    }
    UniqueModule module_;
};

TEST_F(ResourcesTest, IdentifiersTypesAndLanguagesAreExactlyTheListedOnes) {
    Walk walk{module_.get(), {}};
    ::EnumResourceTypesA(module_.get(), OnType, reinterpret_cast<LONG_PTR>(&walk));
    EXPECT_EQ(walk.namedEntries, 0);

    const WORD icon = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(RT_ICON));
    std::set<std::pair<WORD, WORD>> found;
    int iconImages = 0;
    for (const auto& [key, languages] : walk.table) {
        EXPECT_EQ(languages, std::set<WORD>{ENGLISH_US}) << "type " << key.first << " id " << key.second;
        if (key.first == icon) {
            ++iconImages;  // the group's images; their numbers are the resource compiler's
        } else {
            found.insert(key);
        }
    }
    EXPECT_EQ(iconImages, 2);
    const std::set<std::pair<WORD, WORD>> listed = {
        {14, 100},  // icon group
        {2, 101},   // bitmap
        {10, 100},  // the package
        {16, 1},    // version block
        {24, 1},    // manifest
    };
    EXPECT_EQ(found, listed);
}

TEST_F(ResourcesTest, IconGroupHoldsTwoSixteenColourImages) {
    const std::string group = ResourceBytes(module_.get(), RT_GROUP_ICON, 100);
    ASSERT_GE(group.size(), 6u);
    EXPECT_EQ(ReadAt<WORD>(group, 0), 0);  // reserved
    EXPECT_EQ(ReadAt<WORD>(group, 2), 1);  // icon
    ASSERT_EQ(ReadAt<WORD>(group, 4), 2);
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    std::set<int> sizes;
    for (std::size_t i = 0; i < 2; ++i) {
        const std::size_t entry = 6 + 14 * i;  // GRPICONDIRENTRY
        const int width = ReadAt<BYTE>(group, entry);
        const int height = ReadAt<BYTE>(group, entry + 1);
        SCOPED_TRACE("image " + std::to_string(width) + " x " + std::to_string(height));
        sizes.insert(width);
        EXPECT_EQ(height, width);
        EXPECT_EQ(ReadAt<BYTE>(group, entry + 2), 16);  // colours
        EXPECT_EQ(ReadAt<WORD>(group, entry + 6), 4);   // bits per pixel
        const WORD id = ReadAt<WORD>(group, entry + 12);
        const std::string image = ResourceBytes(module_.get(), RT_ICON, id);
        EXPECT_EQ(ReadAt<DWORD>(group, entry + 8), image.size());
        const auto header = ReadAt<BITMAPINFOHEADER>(image, 0);
        EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(header.biWidth, width);
        EXPECT_EQ(header.biHeight, 2 * height);  // colour image and mask
        EXPECT_EQ(header.biBitCount, 4);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32}));

    HICON loaded = ::LoadIconA(module_.get(), MAKEINTRESOURCEA(100));
    EXPECT_NE(loaded, nullptr);
}

TEST_F(ResourcesTest, BitmapIsThePicture900By394At24Bits) {
    const std::string bitmap = ResourceBytes(module_.get(), RT_BITMAP, 101);
    const auto header = ReadAt<BITMAPINFOHEADER>(bitmap, 0);
    EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(header.biWidth, 900);
    EXPECT_EQ(header.biHeight, 394);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header.biClrUsed, 0u);
    EXPECT_EQ(bitmap.size(), sizeof(BITMAPINFOHEADER) + 900u * 3 * 394);

    HBITMAP loaded = ::LoadBitmapA(module_.get(), MAKEINTRESOURCEA(101));
    ASSERT_NE(loaded, nullptr);
    BITMAP description{};
    EXPECT_EQ(::GetObjectA(loaded, sizeof description, &description), static_cast<int>(sizeof description));
    EXPECT_EQ(description.bmWidth, 900);
    EXPECT_EQ(description.bmHeight, 394);
    ::DeleteObject(loaded);
}

TEST(InstallerVersion, FixedPartAndEveryString) {
    const std::string path = InstallerPath();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << path;
    std::vector<char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // The build's version, whatever it was given: four numbers, two to a 32-bit half.
    const auto field = [](int i) { return VersionField(INSTALLER_VERSION_TEXT, i); };
    const DWORD high = (field(0) << 16) | field(1);
    const DWORD low = (field(2) << 16) | field(3);
    std::string versionText = INSTALLER_VERSION_TEXT;
    for (std::size_t dot; (dot = versionText.find('.')) != std::string::npos;) versionText.replace(dot, 1, ", ");
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 0u);
    EXPECT_EQ(fixed->dwFileType, 1u);
    EXPECT_EQ(fixed->dwFileSubtype, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(
        ::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0000);
    EXPECT_EQ(translation[1], 0x04B0);

    struct Row {
        const char* key;
        const char* value;
    } rows[] = {
        {"Comments", "Velto Quillstation Installer."},
        {"CompanyName", "Velto"},
        {"FileDescription", "Velto Quillstation Installer"},
        {"FileVersion", versionText.c_str()},
        {"InternalName", "Velto QuillstationSetup"},
        {"LegalCopyright", COPYRIGHT_TEXT},  // the one notice the manifests carry too
        {"OriginalFilename", "QuillstationSetup.exe"},
        {"ProductName", "QuillstationSetup"},
        {"ProductVersion", versionText.c_str()},
    };
    for (const Row& row : rows) {
        const std::string query = std::string("\\StringFileInfo\\000004b0\\") + row.key;
        char* value = nullptr;
        ASSERT_TRUE(::VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
            << row.key;
        EXPECT_STREQ(value, row.value) << row.key;
    }
}

TEST_F(ResourcesTest, ManifestAsksForAdministratorAndNamesTheAssembly) {
    const std::string manifest = ResourceBytes(module_.get(), MAKEINTRESOURCEA(24), 1);
    ASSERT_FALSE(manifest.empty());
    EXPECT_EQ(manifest.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"", 0), 0u);
    const char* required[] = {
        "manifestVersion=\"1.0\"",
        InstallerIs64Bit() ? "<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"amd64\" "
                             "name=\"Velto.Quillstation.Installer\" type=\"win32\"/>"
                           : "<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"X86\" "
                             "name=\"Velto.Quillstation.Installer\" type=\"win32\"/>",
        "<description>Velto Quillstation Installer</description>",
        "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",
        "<requestedExecutionLevel level=\"requireAdministrator\"",
    };
    for (const char* text : required) EXPECT_NE(manifest.find(text), std::string::npos) << text;
    // Exactly two supported systems and one execution level.
    auto count = [&](const std::string& text) {
        int n = 0;
        for (std::size_t at = manifest.find(text); at != std::string::npos; at = manifest.find(text, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("<supportedOS "), 2);
    EXPECT_EQ(count("<requestedExecutionLevel "), 1);
}

}  // namespace
}  // namespace qs
