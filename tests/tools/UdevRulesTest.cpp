// kestrel-pack --udev-rules: the rule file for a package's keyboard, through the real program, and
// the file name it proposes.
#include "tools/kestrel-pack/UdevRules.h"

#include "package/PackageWriter.h"
#include "package/Scramble.h"
#include "package/Trailer.h"
#include "tests/package/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct RulesRun {
    int status = 0;
    std::string out;
    std::string err;
};

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines udev would read as rules: neither blank nor comments.
std::vector<std::string> RuleLines(const std::string& text) {
    std::vector<std::string> rules;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] != '#') {
            rules.push_back(line);
        }
    }
    return rules;
}

std::string Rule(const std::string& vid, const std::string& pid) {
    return "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"" + vid + "\", ATTRS{idProduct}==\"" + pid +
           "\", TAG+=\"uaccess\"";
}

package::PackageContents Contents(uint32_t apVid, uint32_t apPid, uint32_t iapVid, uint32_t iapPid) {
    package::PackageContents c;
    c.apVendorId = apVid;
    c.apProductId = apPid;
    c.iapVendorId = iapVid;
    c.iapProductId = iapPid;
    c.blockSize = 56;
    c.title = u"Board Title";
    c.company = u"Maker";
    c.product = u"Board Product";
    package::PackageImage image;
    image.name = u"English";
    image.image = Bytes(64, 0x11);
    image.record = Bytes(32, 0);
    c.images[0] = image;
    return c;
}

class UdevRulesTest : public ::testing::Test {
protected:
    RulesRun Run(const std::string& args) {
        const auto out = m_dir.Path() / "stdout.txt";
        const auto err = m_dir.Path() / "stderr.txt";
        const std::string command =
            "\"" KESTREL_PACK_PATH "\" " + args + " > \"" + out.string() + "\" 2> \"" + err.string() + "\"";
        RulesRun run;
        run.status = std::system(command.c_str());
        run.out = ReadText(out);
        run.err = ReadText(err);
        return run;
    }
    std::string P(const std::string& name) const { return "\"" + (m_dir.Path() / name).string() + "\""; }

    // A stand-in executable with the package of `contents` appended; its quoted path. The package
    // writer refuses ids beyond 16 bits, so those are patched into the finished trailer.
    std::string Packed(const std::string& name, const package::PackageContents& contents) {
        package::PackageContents usb = contents;
        for (uint32_t* id : {&usb.apVendorId, &usb.apProductId, &usb.iapVendorId, &usb.iapProductId}) {
            *id &= 0xFFFF;
        }
        std::string why;
        auto package = package::BuildPackage(usb, &why);
        EXPECT_TRUE(package) << why;
        Bytes file{'E', 'L', 'F'};
        if (package) {
            const std::span<uint8_t, package::kTrailerSize> trailer(package->end() - package::kTrailerSize,
                                                                    package::kTrailerSize);
            package::Descramble(trailer);
            package::TrailerWriter writer(trailer);
            writer.SetApIds(contents.apVendorId, contents.apProductId);
            writer.SetIapIds(contents.iapVendorId, contents.iapProductId);
            package::Scramble(trailer);
            file.insert(file.end(), package->begin(), package->end());
        }
        m_dir.Write(name, file);
        return P(name);
    }

    testing_pkg::TempDir m_dir;
};

// The demo updater as the build makes it: both identities, hex in lower case as sysfs prints it,
// the package's title and the install path in the header.
TEST_F(UdevRulesTest, DemoPackageGivesBothIdentities) {
    ASSERT_EQ(Run("--demo-images " + P("demo")).status, 0);
    m_dir.Write("exe", Bytes{'M', 'Z', 0x90, 0});
    const RulesRun packed = Run("--manifest " + P("demo/kestrel-demo.manifest") + " --append " + P("exe") +
                                " --output " + P("kestrel-demo"));
    ASSERT_EQ(packed.status, 0) << packed.err;

    const RulesRun rules = Run("--udev-rules " + P("kestrel-demo"));
    ASSERT_EQ(rules.status, 0) << rules.err;
    EXPECT_EQ(RuleLines(rules.out), (std::vector<std::string>{Rule("37a1", "0101"), Rule("37a1", "0f01")}))
        << rules.out;
    EXPECT_EQ(rules.out.rfind("# ", 0), 0u) << "the file starts with its comment header";
    EXPECT_NE(rules.out.find("\"Kestrel K75\" (Orvane)"), std::string::npos) << rules.out;
    EXPECT_NE(rules.out.find("/etc/udev/rules.d/70-kestrel-kestrel-k75.rules"), std::string::npos)
        << rules.out;
    EXPECT_NE(rules.out.find("udevadm control --reload"), std::string::npos) << rules.out;
    EXPECT_NE(rules.out.find("udevadm trigger"), std::string::npos) << rules.out;
}

TEST_F(UdevRulesTest, RuleLinesFollowThePackage) {
    package::PackageContents injected = Contents(0xABCD, 0x00EF, 0x1234, 0x5678);
    // A text with a line break must not end the comment and smuggle in a rule of its own.
    injected.title = u"Evil\nSUBSYSTEM==\"hidraw\", MODE=\"0666\"";
    injected.company = u"Bad\r\nKERNEL==\"*\", MODE=\"0666\"";
    const struct {
        const char* what;
        package::PackageContents contents;
        std::vector<std::string> rules;
        std::string path;
    } cases[] = {
        {"distinct ids",
         Contents(0xABCD, 0x00EF, 0x1234, 0x5678),
         {Rule("abcd", "00ef"), Rule("1234", "5678")},
         "70-kestrel-board-product.rules"},
        {"one identity for both modes",
         Contents(0x0001, 0xFFFF, 0x0001, 0xFFFF),
         {Rule("0001", "ffff")},
         "70-kestrel-board-product.rules"},
        {"texts with line breaks",
         injected,
         {Rule("abcd", "00ef"), Rule("1234", "5678")},
         "70-kestrel-board-product.rules"},
    };
    for (const auto& c : cases) {
        const RulesRun run = Run("--udev-rules " + Packed("packed", c.contents));
        ASSERT_EQ(run.status, 0) << c.what << ": " << run.err;
        EXPECT_EQ(RuleLines(run.out), c.rules) << c.what << ":\n" << run.out;
        EXPECT_NE(run.out.find(c.path), std::string::npos) << c.what << ":\n" << run.out;
    }
}

TEST_F(UdevRulesTest, RefusesWhatCannotMakeARule) {
    m_dir.Write("small", Bytes(100, 0x5A));
    const struct {
        const char* what;
        std::string file;
        std::string error;
    } cases[] = {
        {"a vendor id beyond 16 bits", Packed("wide-vid", Contents(0x137A1, 0x0101, 0x37A1, 0x0F01)),
         "0x137a1"},
        {"a product id beyond 16 bits", Packed("wide-pid", Contents(0x37A1, 0x0101, 0x37A1, 0x10000)),
         "0x10000"},
        {"no such file", P("missing"), "Can not open Program file!"},
        {"no package", P("small"), "Fail to read Program file!"},
    };
    for (const auto& c : cases) {
        const RulesRun run = Run("--udev-rules " + c.file);
        EXPECT_NE(run.status, 0) << c.what;
        EXPECT_TRUE(run.out.empty()) << c.what << ": nothing for udev to pick up:\n" << run.out;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << c.what << ": " << run.err;
    }
    EXPECT_NE(Run("--udev-rules " + P("small") + " --list " + P("small")).status, 0) << "one mode at a time";
}

TEST(RuleFileName, IsALowerCaseFileNameSafeForm) {
    const struct {
        std::string product;
        std::string name;
    } cases[] = {
        {"Kestrel K75", "kestrel-k75"},
        {"  Fancy/Board  Pro!! ", "fancy-board-pro"},
        {"../../etc/passwd", "etc-passwd"},
        {"Fran\xC3\xA7"
         "ais",
         "fran-ais"},
        {"", "keyboard"},
        {"---", "keyboard"},
        {std::string(100, 'A'), std::string(64, 'a')},
        {std::string(63, 'a') + " b", std::string(63, 'a')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kpack::RuleFileName(c.product), c.name) << "product '" << c.product << "'";
    }
}

} // namespace
