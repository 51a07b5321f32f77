#include <gtest/gtest.h>

#include <unistd.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/common/generated_bytes.h"
#include "tools/packtool/core/builder.h"
#include "tools/packtool/core/pe_reader.h"

namespace qs {
namespace {

namespace fs = std::filesystem;
using generated::Bytes;

Bytes ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
std::string ReadText(const fs::path& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}
std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

void Put32(Bytes& image, std::size_t at, std::uint32_t value) { std::memcpy(&image[at], &value, 4); }
void Put16(Bytes& image, std::size_t at, std::uint16_t value) { std::memcpy(&image[at], &value, 2); }

// A minimal PE32 image with one .rsrc section holding RCDATA 99 (a decoy) and RCDATA
// 100 (payload), each with one language.
struct CraftedImage {
    static constexpr std::size_t PE = 0x40;
    static constexpr std::size_t OPTIONAL = PE + 4 + 20;
    static constexpr std::size_t SECTION = OPTIONAL + 224;
    static constexpr std::size_t RAW = 0x200;
    static constexpr std::uint32_t RVA = 0x1000;
    static constexpr std::size_t ID_TABLE = 0x18;
    static constexpr std::size_t DECOY_ENTRY = 0x70;
    static constexpr std::size_t DATA_ENTRY = 0x80;
    static constexpr std::size_t DATA = 0xA0;
    Bytes bytes;

    explicit CraftedImage(const Bytes& payload) {
        const std::size_t resourceSize = DATA + payload.size();
        bytes.assign(RAW + resourceSize, 0);
        bytes[0] = 'M';
        bytes[1] = 'Z';
        Put32(bytes, 0x3C, PE);
        std::memcpy(&bytes[PE], "PE\0\0", 4);
        Put16(bytes, PE + 4, 0x14C);
        Put16(bytes, PE + 6, 1);     // sections
        Put16(bytes, PE + 20, 224);  // optional header size
        Put16(bytes, OPTIONAL, 0x10B);
        Put32(bytes, OPTIONAL + 92, 16);
        Put32(bytes, OPTIONAL + 96 + 16, RVA);
        Put32(bytes, OPTIONAL + 96 + 20, static_cast<std::uint32_t>(resourceSize));
        std::memcpy(&bytes[SECTION], ".rsrc", 5);
        Put32(bytes, SECTION + 8, static_cast<std::uint32_t>(resourceSize));
        Put32(bytes, SECTION + 12, RVA);
        Put32(bytes, SECTION + 16, static_cast<std::uint32_t>(resourceSize));
        Put32(bytes, SECTION + 20, RAW);

        const std::uint32_t dir = 0x80000000u;
        Table(0x00, {{10, dir | ID_TABLE}});
        Table(ID_TABLE, {{99, dir | 0x40}, {100, dir | 0x58}});
        Table(0x40, {{1033, DECOY_ENTRY}});
        Table(0x58, {{1033, DATA_ENTRY}});
        Put32(bytes, RAW + DECOY_ENTRY, RVA);  // decoy data: the root table itself
        Put32(bytes, RAW + DECOY_ENTRY + 4, 16);
        Put32(bytes, RAW + DATA_ENTRY, RVA + DATA);
        Put32(bytes, RAW + DATA_ENTRY + 4, static_cast<std::uint32_t>(payload.size()));
        std::memcpy(&bytes[RAW + DATA], payload.data(), payload.size());
    }

    void Table(std::size_t at, std::vector<std::pair<std::uint32_t, std::uint32_t>> entries) {
        Put16(bytes, RAW + at + 14, static_cast<std::uint16_t>(entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Put32(bytes, RAW + at + 16 + 8 * i, entries[i].first);
            Put32(bytes, RAW + at + 20 + 8 * i, entries[i].second);
        }
    }
};

class PackTool : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qspack_test_" + std::to_string(::getpid()) + "_" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "in");
        exe_ = MakeFile("in/Quillstation.exe", generated::PseudoRandomBytes(50000, 7));
        readme_ = MakeFile("in/readme.txt", Bytes{'r', 'e', 'a', 'd', '\n'});
        firmware_ = MakeFile("in/Quill_Frmw_1.6.0.hex", generated::PseudoRandomBytes(3000, 9));
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string MakeFile(const std::string& name, const Bytes& bytes) {
        WriteBytes(dir_ / name, bytes);
        return (dir_ / name).string();
    }

    // Runs qspack with args; keeps its output in out_ and err_.
    int Run(const std::vector<std::string>& args) {
        std::string command = Quote(QS_PACKTOOL_PATH);
        for (const auto& arg : args) {
            command.append(" ").append(Quote(arg));
        }
        command.append(" >").append(Quote((dir_ / "stdout").string()));
        command.append(" 2>").append(Quote((dir_ / "stderr").string()));
        const int status = std::system(command.c_str());
        out_ = ReadText(dir_ / "stdout");
        err_ = ReadText(dir_ / "stderr");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
    std::string exe_, readme_, firmware_;
    std::string out_, err_;
};

TEST_F(PackTool, RoundTripThroughRawPackageAndInstaller) {
    ASSERT_EQ(Run({"build", Path("p.bin"), exe_, readme_, firmware_}), 0) << err_;
    WriteBytes(Path("setup.exe"), CraftedImage(ReadBytes(Path("p.bin"))).bytes);

    for (const char* source : {"p.bin", "setup.exe"}) {
        ASSERT_EQ(Run({"list", Path(source)}), 0) << err_;
        for (const char* name : {"Quillstation.exe", "readme.txt", "Quill_Frmw_1.6.0.hex"}) {
            EXPECT_NE(out_.find(name), std::string::npos) << source << "\n" << out_;
        }
        EXPECT_NE(out_.find("    468"), std::string::npos) << out_;
        EXPECT_EQ(out_.find("no"), std::string::npos) << out_;

        EXPECT_EQ(Run({"verify", Path(source)}), 0) << source << err_;

        const std::string to = Path(std::string("out_") + source);
        ASSERT_EQ(Run({"extract", Path(source), to}), 0) << source << err_;
        EXPECT_EQ(ReadBytes(to + "/Quillstation.exe"), ReadBytes(exe_));
        EXPECT_EQ(ReadBytes(to + "/readme.txt"), ReadBytes(readme_));
        EXPECT_EQ(ReadBytes(to + "/Quill_Frmw_1.6.0.hex"), ReadBytes(firmware_));
    }
}

TEST_F(PackTool, DamagedPackageFailsVerificationAndTheCrcShowsWhere) {
    ASSERT_EQ(Run({"build", Path("p.bin"), exe_, readme_, firmware_}), 0) << err_;
    Bytes package = ReadBytes(Path("p.bin"));
    package[468 + 100] ^= 0x01;  // inside entry 0's stored bytes
    WriteBytes(Path("bad.bin"), package);

    EXPECT_EQ(Run({"verify", Path("bad.bin")}), 1);
    EXPECT_NE(err_.find("verification failed"), std::string::npos) << err_;
    ASSERT_EQ(Run({"list", Path("bad.bin")}), 0);
    // Every entry fails (the chain runs through entry 0's stored bytes); only entry 0's
    // CRC differs.
    EXPECT_NE(out_.find("differs  no (digest differs)"), std::string::npos) << out_;
    EXPECT_NE(out_.find("ok       no (digest differs)"), std::string::npos) << out_;
    EXPECT_EQ(Run({"extract", Path("bad.bin"), Path("out")}), 1);
    EXPECT_FALSE(fs::exists(Path("out/Quillstation.exe")));
}

TEST_F(PackTool, BuildRefusals) {
    const std::string longName = MakeFile("in/" + std::string(124, 'n') + ".txt", Bytes{1});
    const std::string justFits = MakeFile("in/" + std::string(123, 'n') + ".txt", Bytes{1});
    const std::string colon = MakeFile("in/C:evil", Bytes{1});
    const std::string rooted = MakeFile("in/\\evil", Bytes{1});
    const std::string empty = MakeFile("in/empty", Bytes{});
    const std::string huge = Path("in/huge");
    { std::ofstream(huge).flush(); }
    fs::resize_file(huge, 0xFFFFFFFFull - 468 - 100);  // sparse: costs no disk space

    struct Case {
        std::vector<std::string> files;
        const char* message;
    };
    const Case cases[] = {
        {{exe_, readme_}, "exactly 3 files, 2 given"},
        {{exe_, readme_, firmware_, firmware_}, "exactly 3 files, 4 given"},
        {{exe_, longName, firmware_}, "128 bytes long"},
        {{exe_, colon, firmware_}, "not a safe relative name"},
        {{exe_, rooted, firmware_}, "not a safe relative name"},
        {{exe_, readme_, empty}, "is empty"},
        {{huge, exe_, readme_}, "would exceed"},
        {{exe_, Path("in/missing"), readme_}, "not a readable file"},
        {{exe_, Path("in"), readme_}, "not a readable file"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"build", Path("p.bin")};
        args.insert(args.end(), c.files.begin(), c.files.end());
        EXPECT_EQ(Run(args), 1) << c.message;
        EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
        EXPECT_FALSE(fs::exists(Path("p.bin"))) << c.message;
    }
    EXPECT_EQ(Run({"build", Path("p.bin"), justFits, readme_, exe_}), 0) << err_;
}

TEST_F(PackTool, UsageAndInputErrors) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out_.find("Reserved field: CRC-32"), std::string::npos);
    struct Case {
        std::vector<std::string> args;
        int code;
    };
    WriteBytes(Path("short.bin"), Bytes(468, 0));
    WriteBytes(Path("mz.exe"), CraftedImage(Bytes(600, 0)).bytes);
    Bytes broken = CraftedImage(Bytes(600, 0)).bytes;
    Put32(broken, CraftedImage::SECTION + 20, 0xFFFFFF00u);
    WriteBytes(Path("broken.exe"), broken);
    const Case cases[] = {
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"build"}, 2},
        {{"list"}, 2},
        {{"verify", "a", "b"}, 2},
        {{"extract", Path("short.bin")}, 2},
        {{"verify", Path("missing.bin")}, 1},
        {{"list", Path("short.bin")}, 1},
        {{"verify", Path("mz.exe")}, 1},      // an all-zero package: no digest matches
        {{"verify", Path("broken.exe")}, 1},  // section data outside the file
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), c.code) << testing::PrintToString(c.args);
        EXPECT_FALSE(err_.empty()) << testing::PrintToString(c.args);
        EXPECT_TRUE(out_.empty()) << testing::PrintToString(c.args) << out_;
    }
}

TEST(PeReader, FindsTheResourceAndRefusesGarbledImages) {
    const Bytes payload = generated::CountingBytes(700, 0, 7);
    const Bytes good = CraftedImage(payload).bytes;
    Bytes out;
    std::string error;
    ASSERT_TRUE(packtool::LooksLikePeImage(good));
    ASSERT_TRUE(packtool::ReadPeResource(good, 10, 100, out, error)) << error;
    EXPECT_EQ(out, payload);
    EXPECT_FALSE(packtool::ReadPeResource(good, 10, 101, out, error));
    EXPECT_FALSE(packtool::ReadPeResource(good, 3, 100, out, error));

    // Every truncation, including inside the headers and the resource tables.
    for (std::size_t size = 0; size < good.size(); ++size) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        error.clear();
        EXPECT_FALSE(packtool::ReadPeResource(cut, 10, 100, out, error)) << size;
        EXPECT_FALSE(error.empty()) << size;
    }

    using C = CraftedImage;
    struct Garble {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        int width;
    };
    const Garble garbles[] = {
        {"PE header offset beyond the file", 0x3C, 0xFFFFFFFCu, 4},
        {"PE signature", C::PE, 0x00004551u, 4},
        {"section count", C::PE + 6, 0xFFFF, 2},
        {"optional header size beyond the file", C::PE + 20, 0xFFFF, 2},
        {"optional header too small", C::PE + 20, 100, 2},
        {"optional header kind", C::OPTIONAL, 0x999, 2},
        {"no resource directory entry", C::OPTIONAL + 92, 2, 4},
        {"resource rva outside every section", C::OPTIONAL + 112, 0x7FFFFFF0u, 4},
        {"section raw data outside the file", C::SECTION + 20, 0xFFFFFF00u, 4},
        {"section starts after the resources", C::SECTION + 12, 0x5000, 4},
        {"root table entry count", C::RAW + 14, 0xFFFF, 2},
        {"type table offset beyond the section", C::RAW + 20, 0xFFFFFFF0u, 4},
        {"id table points at itself", C::RAW + C::ID_TABLE + 28, 0x80000000u | C::ID_TABLE, 4},
        {"language entry is a table", C::RAW + 0x58 + 20, 0x80000000u | C::DATA_ENTRY, 4},
        {"data rva outside the file", C::RAW + C::DATA_ENTRY, 0xFFFFFFF0u, 4},
        {"data size beyond the section", C::RAW + C::DATA_ENTRY + 4, 0xFFFFFFFFu, 4},
    };
    for (const Garble& g : garbles) {
        Bytes image = good;
        if (g.width == 4) {
            Put32(image, g.at, g.value);
        } else {
            Put16(image, g.at, static_cast<std::uint16_t>(g.value));
        }
        error.clear();
        EXPECT_FALSE(packtool::ReadPeResource(image, 10, 100, out, error)) << g.what;
        EXPECT_FALSE(error.empty()) << g.what;
    }
}

TEST(BuildPackage, RefusesWhatTheInstallerWouldRefuse) {
    const Bytes one{1};
    struct Case {
        std::vector<packtool::PackageInput> inputs;
        const char* message;
    };
    const Case cases[] = {
        {{{"a", one}, {"b", one}}, "exactly 3"},
        {{{"a", one}, {"..", one}, {"c", one}}, "not a safe relative name"},
        {{{"a", one}, {"sub\\..\\..\\b", one}, {"c", one}}, "not a safe relative name"},
        {{{"a", one}, {"C:\\b", one}, {"c", one}}, "not a safe relative name"},
        {{{"a", one}, {std::string("b\0c", 3), one}, {"c", one}}, "not a safe relative name"},
        {{{"a", one}, {std::string(128, 'b'), one}, {"c", one}}, "128 bytes long"},
        {{{"a", one}, {"b", {}}, {"c", one}}, "is empty"},
    };
    for (const Case& c : cases) {
        Bytes out{9};
        std::string error;
        EXPECT_FALSE(packtool::BuildPackage(c.inputs, out, error)) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(out, Bytes{9});
    }

    // The 32-bit limit, checked on sizes alone.
    std::vector<std::uint32_t> offsets;
    std::string error;
    EXPECT_TRUE(packtool::PlanPackageLayout({1, 1, 0xFFFFFFFFull - 470}, {}, offsets, error)) << error;
    EXPECT_EQ(offsets, (std::vector<std::uint32_t>{468, 469, 470}));
    EXPECT_FALSE(packtool::PlanPackageLayout({1, 1, 0xFFFFFFFFull - 469}, {}, offsets, error));
    EXPECT_FALSE(packtool::PlanPackageLayout({0xFFFFFFFFull, 0xFFFFFFFFull, 1}, {}, offsets, error));
}

}  // namespace
}  // namespace qs
