// Skin benchmark: time to decode the main window's picture set from the resources, time from process
// start to the main window's first presented frame (the headless back-end's snapshot files), time to
// paint one progress step of the main window, and the peak resident memory of whole demo updates.
// Prints what it measures.
//
//   skin_bench [KESTREL_DEMO]
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "skin/MainWindowPaint.h"
#include "skin/SkinLayout.h"
#include "skin/WindowShape.h"
#include "ui/gfx/Resource.h"
#include "ui/gfx/Text.h"
#include "xml/XmlDocument.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The environment of this process plus `extra` (NAME=value items).
std::vector<std::string> Environment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string item = *e;
        const std::string name = item.substr(0, item.find('='));
        if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name.rfind("KESTREL_", 0) == 0) {
            continue;
        }
        env.push_back(item);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0].c_str(), nullptr, nullptr, args.data(), envp.data()) != 0) {
        return -1;
    }
    return pid;
}

bool HasPng(const fs::path& dir) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().extension() == ".png") {
            return true;
        }
    }
    return false;
}

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "kestrel-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path = pattern;
        }
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// Start of the demo to its first presented frame on the headless display (the snapshot file),
// milliseconds; negative when none came within 10 s.
double FirstFrameMs(const std::string& demo) {
    TempDir runtime;
    TempDir snapshots;
    const auto started = Clock::now();
    const pid_t pid = Spawn({demo}, Environment({"XDG_RUNTIME_DIR=" + runtime.path.string(), "KESTREL_HID=sim",
                                                 "KESTREL_DISPLAY=headless",
                                                 "KESTREL_SNAPSHOT_DIR=" + snapshots.path.string()}));
    if (pid < 0) {
        return -1;
    }
    double result = -1;
    while (Clock::now() - started < std::chrono::seconds(10)) {
        if (HasPng(snapshots.path)) {
            // The file appears once it is written; its writing is part of presenting on headless.
            result = Ms(Clock::now() - started);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return result;
}

// Runs the demo to its end; its peak resident memory in KiB (or -1) and exit code.
struct RunResult {
    long maxRssKiB = -1;
    int exitCode = -1;
    double ms = 0;
};
RunResult WholeRun(const std::string& demo, const std::vector<std::string>& args) {
    TempDir runtime;
    std::vector<std::string> argv = {demo};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto started = Clock::now();
    const pid_t pid = Spawn(argv, Environment({"XDG_RUNTIME_DIR=" + runtime.path.string(), "KESTREL_HID=sim",
                                               "KESTREL_SIM=time-scale=25", "KESTREL_DISPLAY=headless"}));
    RunResult result;
    if (pid < 0) {
        return result;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid) {
        result.maxRssKiB = usage.ru_maxrss;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    result.ms = Ms(Clock::now() - started);
    return result;
}

// Every picture the main window decodes at its set-up: background, the buttons' hover and disabled
// sources, the two strip pictures, the progress icon and the outline mask.
void DecodePictureSet() {
    const struct {
        std::u16string_view type;
        uint32_t id;
    } pictures[] = {{skin::kPictureResourceType, skin::kMainBackgroundId},
                    {skin::kPictureResourceType, skin::kMainHoverSourceId},
                    {skin::kPictureResourceType, skin::kMainDisabledSourceId},
                    {skin::kPictureResourceType, skin::kStripEmptyId},
                    {skin::kPictureResourceType, skin::kStripFullId},
                    {skin::kPictureResourceType, skin::kBarIconId},
                    {skin::kMaskResourceType, skin::kMainWindowMaskId}};
    constexpr int kRounds = 9;
    std::vector<double> perSet;
    size_t decoded = 0;
    int64_t pixels = 0;
    for (int round = 0; round < kRounds; ++round) {
        decoded = 0;
        pixels = 0;
        const auto started = Clock::now();
        for (const auto& [type, id] : pictures) {
            skin::SkinPicture picture;
            if (skin::LoadPictureResource(type, id, picture)) {
                ++decoded;
                pixels += static_cast<int64_t>(picture.Width()) * picture.Height();
            }
        }
        perSet.push_back(Ms(Clock::now() - started));
    }
    std::sort(perSet.begin(), perSet.end());
    std::printf("decode the main window's picture set (%zu of %zu pictures, %.1f Mpixels): median %.2f ms, best %.2f ms"
                "   (goal: under 15 ms)\n",
                decoded, std::size(pictures), static_cast<double>(pixels) / 1e6, perSet[kRounds / 2], perSet.front());
}

// One progress step: the whole window composed and copied, as WM_PAINT does it.
void PaintSteps() {
    ui::AddPrivateFont(ui::FindResource(skin::kFontResourceType, skin::kTitleFontId));
    xml::CXmlDocument doc;
    skin::LoadSkinLayout(doc);
    skin::MainWindowSkin skinData;
    skin::LoadPictureResource(skin::kPictureResourceType, skin::kMainBackgroundId, skinData.m_bmpBackground);
    skin::LoadMainWindowSkin(skin::ReadMainWindowLayout(doc), skinData);
    if (skinData.m_bmpBackground.IsEmpty()) {
        std::printf("paint: no background picture in this build's resources\n");
        return;
    }
    skin::MainWindowState state;
    state.title = u"Kestrel K75";
    state.nSelImage = 0;
    state.layoutName = u"English (US)";
    state.version = u"V1.2.30";
    state.curVersion = u"1.1.0";
    state.busy = true;
    ui::Surface window(skinData.m_bmpBackground.Width(), skinData.m_bmpBackground.Height());
    ui::Painter painter(window);
    skin::PaintMainWindow(painter, skinData, state);  // warm the font caches
    constexpr int kRounds = 5;
    std::vector<double> perStep;
    for (int round = 0; round < kRounds; ++round) {
        const auto started = Clock::now();
        for (int p = 0; p <= 100; ++p) {
            state.progress = p;
            skin::PaintMainWindow(painter, skinData, state);
        }
        perStep.push_back(Ms(Clock::now() - started) / 101.0);
    }
    std::sort(perStep.begin(), perStep.end());
    std::printf("paint one progress step (whole %dx%d window composed and copied): median %.3f ms, best %.3f ms\n",
                window.Width(), window.Height(), perStep[kRounds / 2], perStep.front());
}

} // namespace

int main(int argc, char** argv) {
    const std::string demo = argc > 1 ? argv[1] : KESTREL_DEMO_BIN;
    DecodePictureSet();
    PaintSteps();

    std::vector<double> first;
    for (int i = 0; i < 5; ++i) {
        const double ms = FirstFrameMs(demo);
        if (ms >= 0) {
            first.push_back(ms);
        }
    }
    if (first.empty()) {
        std::printf("first frame: no frame presented within 10 s (%s)\n", demo.c_str());
    } else {
        std::sort(first.begin(), first.end());
        std::printf("process start to first presented frame (headless snapshot): median %.1f ms, best %.1f ms (%zu runs)\n",
                    first[first.size() / 2], first.front(), first.size());
    }

    const RunResult window = WholeRun(demo, {"true", "no-such-next-program"});
    std::printf("whole demo update, window mode on headless: exit %d, %.0f ms, peak resident %ld KiB\n",
                window.exitCode, window.ms, window.maxRssKiB);
    const RunResult silent = WholeRun(demo, {"-silent"});
    std::printf("whole demo update, -silent: exit %d, %.0f ms, peak resident %ld KiB\n", silent.exitCode, silent.ms,
                silent.maxRssKiB);
    return 0;
}
