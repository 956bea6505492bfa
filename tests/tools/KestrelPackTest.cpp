// The kestrel-pack program itself, run through its path, and the demo package it makes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "package/ReadPackage.h"
#include "package/WordSum.h"
#include "tests/package/TempDir.h"
#include "tools/kestrel-pack/Demo.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct ToolRun {
    int status = 0;   // 0 for success; the platform's non-zero status otherwise
    std::string out;
    std::string err;
};

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class KestrelPackTest : public ::testing::Test {
protected:
    ToolRun Pack(const std::string& args) {
        const auto out = m_dir.Path() / "stdout.txt";
        const auto err = m_dir.Path() / "stderr.txt";
        const std::string command = "\"" KESTREL_PACK_PATH "\" " + args + " > \"" + out.string() + "\" 2> \"" +
                                    err.string() + "\"";
        ToolRun run;
        run.status = std::system(command.c_str());
        run.out = ReadText(out);
        run.err = ReadText(err);
        return run;
    }
    std::string P(const std::string& name) const { return "\"" + (m_dir.Path() / name).string() + "\""; }

    // The demo inputs and a stand-in executable; returns the --manifest/--append part of a command.
    std::string DemoArgs() {
        EXPECT_EQ(Pack("--demo-images " + P("demo")).status, 0);
        m_exe = Bytes{'M', 'Z', 0x90, 0, 'e', 'x', 'e'};
        m_dir.Write("exe", m_exe);
        return "--manifest " + P("demo/kestrel-demo.manifest");
    }

    testing_pkg::TempDir m_dir;
    Bytes m_exe;
};

TEST_F(KestrelPackTest, PacksAndListsTheDemo) {
    const std::string manifest = DemoArgs();
    const ToolRun packed = Pack(manifest + " --append " + P("exe") + " --output " + P("out"));
    ASSERT_EQ(packed.status, 0) << packed.err;
    const auto status = std::filesystem::status(m_dir.Path() / "out");
    EXPECT_NE(status.permissions() & std::filesystem::perms::owner_exec, std::filesystem::perms::none);

    const Bytes out = testing_pkg::ReadAll(m_dir.Path() / "out");
    ASSERT_GT(out.size(), m_exe.size());
    EXPECT_TRUE(std::equal(m_exe.begin(), m_exe.end(), out.begin())) << "the executable comes first, unchanged";

    const ToolRun list = Pack("--list " + P("out"));
    ASSERT_EQ(list.status, 0) << list.err;
    package::FwPackage pkg;
    ASSERT_TRUE(package::ReadPackage(pkg, m_dir.Path() / "out", {}));
    for (const std::string line : {
             "title:        Kestrel K75\n",
             "company:      Orvane\n",
             "product:      Kestrel K75\n",
             "version:      V1.2.30\n",
             "hardware id:  4F5256414E452D4B5337352D48573031 (\"ORVANE-KS75-HW01\")\n",
             "AP device:    37A1:0101\n",
             "IAP device:   37A1:0F01\n",
             "block size:   56\n",
             "multi-target: 0\n",
             "fixed target: 0\n",
             "entry 0: \"English (US)\" layout 0x0409 version 1.2.30 image 49152 record 120 sum 0x",
             "entry 1: \"Deutsch\" layout 0x0407 version 1.2.30 image 40960 record 120 sum 0x",
             "entry 2: \"Fran\xC3\xA7" "ais\" layout 0x040C version 1.2.30 image 32768 record 120 sum 0x",
         }) {
        EXPECT_NE(list.out.find(line), std::string::npos) << line << "in:\n" << list.out;
    }
    char sum[32];
    std::snprintf(sum, sizeof sum, "sum 0x%08X\n", static_cast<unsigned>(package::WordSum(pkg.m_pImage[1])));
    EXPECT_NE(list.out.find(sum), std::string::npos) << sum;
    EXPECT_EQ(list.out.find("entry 3"), std::string::npos) << "empty entries are not listed";
}

TEST_F(KestrelPackTest, RefusesASecondPackageUnlessReplacing) {
    const std::string manifest = DemoArgs();
    ASSERT_EQ(Pack(manifest + " --append " + P("exe") + " --output " + P("once")).status, 0);
    const Bytes once = testing_pkg::ReadAll(m_dir.Path() / "once");

    const ToolRun twice = Pack(manifest + " --append " + P("once") + " --output " + P("twice"));
    EXPECT_NE(twice.status, 0);
    EXPECT_NE(twice.err.find("already ends in a package"), std::string::npos) << twice.err;
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path() / "twice"));

    // Replacing in place cuts the old package off: the same bytes as packing the bare executable.
    const ToolRun replaced = Pack(manifest + " --replace --append " + P("once") + " --output " + P("once"));
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(testing_pkg::ReadAll(m_dir.Path() / "once"), once);
}

TEST_F(KestrelPackTest, ReportsFailures) {
    const std::string manifest = DemoArgs();
    m_dir.Write("bad.manifest", Bytes{'t', 'i', 't', 'l', 'e', '\n'});
    const struct {
        std::string args;
        std::string error;
    } cases[] = {
        {"--list " + P("exe"), "Fail to read Program file!\n"},   // shorter than a trailer
        {"--list " + P("demo/image0.bin"), "Fail to find firmware information!\n"},
        {"--list " + P("nothing-here"), "Can not open Program file!\n"},
        {"--manifest " + P("bad.manifest") + " --append " + P("exe") + " --output " + P("o"), "bad.manifest:1: expected 'key = value'"},
        {"--manifest " + P("none.manifest") + " --append " + P("exe") + " --output " + P("o"), "none.manifest"},
        {manifest + " --append " + P("no-exe") + " --output " + P("o"), "no-exe"},
        {manifest + " --output " + P("o"), "packing needs --manifest, --append and --output"},
        {"--list", "--list needs a value"},
        {"--frobnicate", "unknown argument '--frobnicate'"},
        {"", "give exactly one of"},
    };
    for (const auto& c : cases) {
        const ToolRun run = Pack(c.args);
        EXPECT_NE(run.status, 0) << c.args;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << c.args << "\nstderr: " << run.err;
    }
    const ToolRun help = Pack("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("kestrel-pack --manifest M --append EXE --output OUT"), std::string::npos);
}

// The demo inputs are fixed bytes: xorshift32 words seeded by (index + 1) * 0x9E3779B9, records with
// 30 zero bytes and then a text.
TEST(DemoImages, AreTheDocumentedBytes) {
    for (size_t index = 0; index < 3; ++index) {
        uint32_t x = 0x9E3779B9u * static_cast<uint32_t>(index + 1);
        const Bytes image = kpack::DemoImage(index, 4096);
        for (size_t i = 0; i < image.size(); i += 4) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            const uint32_t word = image[i] | (image[i + 1] << 8) | (image[i + 2] << 16) | (uint32_t{image[i + 3]} << 24);
            ASSERT_EQ(word, x) << "image " << index << " byte " << i;
        }
        const Bytes record = kpack::DemoRecord(index);
        ASSERT_EQ(record.size(), 120u);
        EXPECT_EQ(Bytes(record.begin(), record.begin() + 30), Bytes(30, 0));
        const std::string text = "Kestrel demo record " + std::to_string(index) + " ";
        EXPECT_EQ(std::string(record.begin() + 30, record.begin() + 30 + static_cast<long>(text.size())), text);
    }
    EXPECT_NE(kpack::DemoImage(0, 64), kpack::DemoImage(1, 64));
}

} // namespace
