// kestrel-pack: builds a firmware package from a manifest and appends it to the updater, lists the
// package at the end of a file, writes the demo package's inputs, and prints the udev rules that
// give the logged-in user access to a package's keyboard.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/PackageWriter.h"
#include "tools/kestrel-pack/Demo.h"
#include "tools/kestrel-pack/List.h"
#include "tools/kestrel-pack/Manifest.h"
#include "tools/kestrel-pack/Pack.h"
#include "tools/kestrel-pack/UdevRules.h"

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  kestrel-pack --manifest M --append EXE --output OUT [--replace]\n"
    "      build the package that manifest M describes and write EXE followed by it to OUT\n"
    "      (OUT may be EXE). --replace swaps a package that EXE already ends in.\n"
    "  kestrel-pack --list FILE\n"
    "      print what the package at the end of FILE holds\n"
    "  kestrel-pack --demo-images DIR\n"
    "      write the demo images, version records and kestrel-demo.manifest into DIR\n"
    "  kestrel-pack --udev-rules FILE\n"
    "      print a udev rule file that lets the logged-in user open the keyboard of the package\n"
    "      at the end of FILE (for /etc/udev/rules.d/70-kestrel-<name>.rules)\n"
    "  kestrel-pack --help\n";

struct Options {
    std::optional<std::filesystem::path> manifest, append, output, list, demoDir, udevRules;
    bool replace = false;
    bool help = false;
};

std::filesystem::path PathArg(std::string_view arg) {
    return std::filesystem::path(std::u8string(arg.begin(), arg.end()));
}

// Nothing (and a message) for a bad command line.
std::optional<Options> ParseArgs(const std::vector<std::string_view>& args) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        if (arg == "--replace") {
            o.replace = true;
            continue;
        }
        std::optional<std::filesystem::path>* target = arg == "--manifest"      ? &o.manifest
                                                      : arg == "--append"      ? &o.append
                                                      : arg == "--output"      ? &o.output
                                                      : arg == "--list"        ? &o.list
                                                      : arg == "--demo-images" ? &o.demoDir
                                                      : arg == "--udev-rules"  ? &o.udevRules
                                                                               : nullptr;
        if (!target) {
            std::cerr << "kestrel-pack: unknown argument '" << arg << "'\n";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            std::cerr << "kestrel-pack: " << arg << " needs a value\n";
            return std::nullopt;
        }
        if (*target) {
            std::cerr << "kestrel-pack: " << arg << " given twice\n";
            return std::nullopt;
        }
        *target = PathArg(args[++i]);
    }
    return o;
}

int Pack(const Options& o) {
    const auto contents = kpack::LoadManifest(*o.manifest);
    if (!contents) {
        std::cerr << "kestrel-pack: " << contents.error() << "\n";
        return 1;
    }
    std::string why;
    const auto bytes = package::BuildPackage(*contents, &why);
    if (!bytes) {
        std::cerr << "kestrel-pack: " << why << "\n";
        return 1;
    }
    if (const kpack::Status s = kpack::AppendPackage(*o.append, *o.output, *bytes, o.replace); !s) {
        std::cerr << "kestrel-pack: " << s.error() << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const std::optional<Options> o = ParseArgs(args);
    if (!o) {
        std::cerr << kUsage;
        return 2;
    }
    if (o->help) {
        std::cout << kUsage;
        return 0;
    }
    const bool pack = o->manifest || o->append || o->output || o->replace;
    const int modes =
        int{pack} + int{o->list.has_value()} + int{o->demoDir.has_value()} + int{o->udevRules.has_value()};
    if (modes != 1) {
        std::cerr << "kestrel-pack: give exactly one of --manifest, --list, --demo-images, --udev-rules\n" << kUsage;
        return 2;
    }
    if (o->list) {
        return kpack::ListPackage(*o->list, std::cout, std::cerr);
    }
    if (o->udevRules) {
        return kpack::PrintUdevRules(*o->udevRules, std::cout, std::cerr);
    }
    if (o->demoDir) {
        if (const kpack::Status s = kpack::WriteDemo(*o->demoDir); !s) {
            std::cerr << "kestrel-pack: " << s.error() << "\n";
            return 1;
        }
        return 0;
    }
    if (!o->manifest || !o->append || !o->output) {
        std::cerr << "kestrel-pack: packing needs --manifest, --append and --output\n" << kUsage;
        return 2;
    }
    return Pack(*o);
}
