// The main window's controller against the simulated keyboard on the transport's simulated bus, on
// the headless display: presence handling (AP only, IAP only, both), auto-start, the target search,
// the refusals with their texts and silent exit codes, Enter and Escape, the bound on waiting for
// the boot-mode device, and one update at a time.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <mutex>

#include "device/Messages.h"
#include "device/hid/HidSetup.h"
#include "device/hid/sim/SimHidBackend.h"
#include "package/PackageWriter.h"
#include "sim/Config.h"
#include "sys/Clock.h"
#include "tests/support/RunProcess.h"
#include "ui/Input.h"
#include "ui/MessageLoop.h"
#include "ui/WindowApi.h"
#include "ui/headless/HeadlessDisplay.h"
#include "update/KestrelDlg.h"
#include "update/KestrelDlgTemplate.h"

namespace updatetest {
namespace {

using kestrel::CKestrelDlg;

// Message boxes and result dialogs of the headless display, one line each ("caption: text").
struct Boxes {
    std::mutex lock;
    std::vector<std::string> lines;
    void Add(const std::string& line) {
        std::lock_guard guard(lock);
        lines.push_back(line);
    }
    std::vector<std::string> Take() {
        std::lock_guard guard(lock);
        return std::exchange(lines, {});
    }
};
Boxes& TheBoxes() {
    static Boxes boxes;
    return boxes;
}

constexpr uintptr_t kScriptTimer = 0x7E57;

// The main window with a package from a test file and a script that runs on every tick of a timer
// until it returns true. Ends its modal run after `m_deadlineMs` program time in any case.
class TestDlg : public CKestrelDlg {
public:
    using Script = std::function<bool(TestDlg&)>;

    std::filesystem::path m_path;
    Script m_script;
    int64_t m_deadlineMs = 60000;
    int m_presenceMessages = 0;
    bool m_timedOut = false;

    using CKestrelDlg::m_apChannel;
    using CKestrelDlg::m_iapChannel;

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override {
        if (msg == device::WM_DEVICE_PRESENCE) {
            ++m_presenceMessages;
        }
        if (msg == ui::WM_TIMER && wParam == kScriptTimer) {
            if (sys::NowMillis() > m_start + m_deadlineMs) {
                m_timedOut = true;
                EndDialog(ui::IDCANCEL);
            } else if (m_script && m_script(*this)) {
                m_script = nullptr;
            }
            return 0;
        }
        return CKestrelDlg::WindowProc(msg, wParam, lParam);
    }

protected:
    std::filesystem::path PackagePath() const override { return m_path; }
    bool OnInitDialog() override {
        m_start = sys::NowMillis();
        const bool result = CKestrelDlg::OnInitDialog();
        ui::SetTimer(Handle(), kScriptTimer, 20);
        return result;
    }

private:
    int64_t m_start = 0;
};

package::PackageImage Image(std::u16string name, uint16_t layout, uint8_t fill) {
    package::PackageImage image;
    image.name = std::move(name);
    image.layoutId = layout;
    image.major = 1;
    image.minor = 2;
    image.build = 30;
    image.image.assign(1024, fill);
    image.record.assign(64, 0);
    return image;
}

class ControllerTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ui::SetDisplay(std::make_unique<ui::HeadlessDisplay>([](const std::string& line) { TheBoxes().Add(line); }));
    }

    void SetUp() override {
        TheBoxes().Take();
        const sim::Config defaults;
        m_contents.hardwareId = defaults.hardwareId;
        m_contents.apVendorId = defaults.ap.vendorId;
        m_contents.apProductId = defaults.ap.productId;
        m_contents.iapVendorId = defaults.iap.vendorId;
        m_contents.iapProductId = defaults.iap.productId;
        m_contents.blockSize = 56;
        m_contents.title = u"Test update";
        m_contents.versionText = u"V1.2.30";
        m_contents.images[0] = Image(u"English (US)", 0x0409, 0x11);
        m_contents.images[1] = Image(u"Deutsch", 0x0407, 0x22);
    }

    void TearDown() override {
        hid::testing::HidUseBackend(nullptr);
        m_bus.reset();
        sys::SetTimeScale(1);
    }

    // Writes the package, plugs the keyboard that `simText` describes, and runs the window with the
    // options `setup` gives it and `script` on its ticks. The window is gone when this returns.
    void RunWindow(const std::string& simText, const std::function<void(TestDlg&)>& setup, TestDlg::Script script,
                   const std::function<void(TestDlg&)>& after = {}) {
        const auto bytes = package::BuildPackage(m_contents);
        ASSERT_TRUE(bytes);
        const std::filesystem::path path = std::filesystem::path(m_dir.Path()) / "updater";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes->data()),
                                                    static_cast<std::streamsize>(bytes->size()));
        sim::ConfigResult parsed = sim::ParseConfig("time-scale=40;" + simText);
        ASSERT_TRUE(parsed) << parsed.error;
        m_bus = hid::SimHidBackend::Create(*parsed.config);
        hid::testing::HidUseBackend(m_bus);

        TestDlg dlg;
        dlg.m_path = path;
        dlg.m_script = std::move(script);
        if (setup) {
            setup(dlg);
        }
        dlg.DoModal();
        EXPECT_FALSE(dlg.m_timedOut);
        m_exitCode = dlg.m_nExitCode;
        m_boxes = TheBoxes().Take();
        if (after) {
            after(dlg);
        }
    }

    bool BoxSaid(const std::string& text) const {
        return std::any_of(m_boxes.begin(), m_boxes.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
    std::string AllBoxes() const {
        std::string all;
        for (const auto& l : m_boxes) {
            all += l;
        }
        return all;
    }

    package::PackageContents m_contents;
    testing_support::TempDir m_dir;
    std::shared_ptr<hid::SimHidBackend> m_bus;
    int m_exitCode = -1;
    std::vector<std::string> m_boxes;
};

bool Ready(TestDlg& d) { return ui::IsWindowEnabled(d.OkButton()) && ui::IsWindowEnabled(d.CloseButton()); }

TEST_F(ControllerTest, ApAnnouncementQueriesAndEnablesTheStart) {
    int selection = -9;
    std::u16string current;
    RunWindow("", {}, [&](TestDlg& d) {
        if (!Ready(d)) {
            return false;
        }
        selection = d.m_nSelImage;
        current = ui::GetWindowText(ui::GetDlgItem(d.Handle(), kestrel::IDC_CUR_VERSION));
        d.EndDialog(ui::IDCANCEL);
        return true;
    });
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(current, u"1.1.0");  // the simulated keyboard's version record
    EXPECT_EQ(m_exitCode, 0);
    EXPECT_TRUE(m_boxes.empty()) << AllBoxes();
}

TEST_F(ControllerTest, BothIdentitiesPresentRepostsUntilOneGoes) {
    int repostsSeen = 0;
    int phase = 0;
    RunWindow("", {}, [&](TestDlg& d) {
        if (phase == 0 && Ready(d)) {
            // Pretend the boot-mode identity is there as well, and announce.
            d.m_iapChannel.m_presence = 1;
            d.m_presenceMessages = 0;
            ui::EnableWindow(d.OkButton(), false);
            ui::Post(d.Handle(), device::WM_DEVICE_PRESENCE, 0, 1);
            phase = 1;
        } else if (phase == 1 && d.m_presenceMessages > 5) {
            repostsSeen = d.m_presenceMessages;
            EXPECT_FALSE(ui::IsWindowEnabled(d.OkButton()));  // nothing handled between identities
            d.m_iapChannel.m_presence = 0;
            phase = 2;
        } else if (phase == 2 && ui::IsWindowEnabled(d.OkButton())) {
            d.EndDialog(ui::IDCANCEL);  // the AP-only handling ran once the other identity went
            return true;
        }
        return false;
    });
    EXPECT_GT(repostsSeen, 5);
}

TEST_F(ControllerTest, BootModeKeyboardIsQueriedAndTheStartRunsWithoutSwitching) {
    const ui::Point onOk{250, 340};  // inside the OK button
    const struct {
        const char* name;
        std::function<void(TestDlg&)> start;
    } cases[] = {
        {"Enter", [](TestDlg& d) { ui::InjectKey(d.Handle(), ui::WM_KEYDOWN, ui::VK_RETURN); }},
        {"click on OK", [&](TestDlg& d) {
             ui::InjectMouse(d.Handle(), ui::WM_LBUTTONDOWN, onOk, ui::MK_LBUTTON);
             ui::InjectMouse(d.Handle(), ui::WM_LBUTTONUP, onOk, 0);
         }},
        {"right press on OK", [&](TestDlg& d) { ui::InjectMouse(d.Handle(), ui::WM_RBUTTONDOWN, onOk, ui::MK_RBUTTON); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool readyBeforeStart = false;
        RunWindow("keyboard=iap", {}, [&](TestDlg& d) {
            if (!Ready(d)) {
                return false;
            }
            readyBeforeStart = !d.IsUpdating() && d.m_nSelImage == 0;
            c.start(d);
            return true;
        });
        EXPECT_TRUE(readyBeforeStart);
        EXPECT_TRUE(BoxSaid("new firmware has been installed")) << AllBoxes();
        EXPECT_EQ(m_exitCode, 0);
        TearDown();
    }
}

TEST_F(ControllerTest, AutoStartSwitchesIntoBootModeAndUpdates) {
    RunWindow("", [](TestDlg& d) { d.m_bAutoStart = true; }, nullptr);
    EXPECT_TRUE(BoxSaid("new firmware has been installed")) << AllBoxes();
    EXPECT_EQ(m_exitCode, 0);
}

struct TargetCase {
    const char* name;
    uint8_t multiTarget;
    uint8_t fixedTarget;
    std::string sim;
    int target;
    int selection;
};

TEST_F(ControllerTest, TargetSearchFindsTheTargetThatTakesThePackage) {
    const TargetCase cases[] = {
        {"search picks target 2 of 3", 1, 0, "targets=3;target=2", 2, 0},
        {"search with no match keeps target 0", 1, 0, "targets=3;target=2;hwid=000102030405060708090A0B0C0D0E0F", 0,
         kestrel::kSelHwMismatch},
        {"fixed target 2", 0, 2, "targets=3;target=2", 2, 0},
        {"fixed target beyond the count", 0, 5, "targets=3;target=0", 5, 0},
    };
    for (const TargetCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_contents.multiTarget = c.multiTarget;
        m_contents.fixedTarget = c.fixedTarget;
        int target = -9;
        int selection = -9;
        RunWindow(c.sim, {}, [&](TestDlg& d) {
            if (!ui::IsWindowEnabled(d.OkButton())) {
                return false;
            }
            target = d.m_nTarget;
            selection = d.m_nSelImage;
            d.EndDialog(ui::IDCANCEL);
            return true;
        });
        EXPECT_EQ(target, c.target);
        EXPECT_EQ(selection, c.selection);
        TearDown();
    }
}

struct RefusalCase {
    const char* name;
    std::string sim;
    int binSelect;
    int forcedSelection;  // set before the start when not -9 (a selection made otherwise)
    std::string text;     // the box or dialog line in the window mode
    uint8_t fixedTarget = 0;
};

TEST_F(ControllerTest, RefusalsSayWhyOrEndASilentRunWithThree) {
    const RefusalCase cases[] = {
        {"no image for the layout", "layout=0x0411", -1, -9, "Error: Layout Fail!"},
        {"hardware id differs", "hwid=000102030405060708090A0B0C0D0E0F", -1, -9, "Error: HW Setup Error!"},
        {"hardware id differs with bin:", "hwid=000102030405060708090A0B0C0D0E0F", 1, -9, "Error: HW Setup Error!"},
        {"bin: names an empty entry", "", 3, -9, "Error: Layout Fail!"},
        {"keyboard does not answer", "fault=drop-answers", -1, -9, "Error: Get Info Error!"},
        {"selected image is empty", "", -1, 4, "Error: Image 4: Empty Bin File!"},
        {"keyboard is newer", "version=2.0.0", -1, -9, "latest firmware is already installed"},
        {"target 1 takes no flash commands after the switch", "targets=2;target=1;fault=target-refuses-flash", -1, -9,
         "latest firmware is already installed", 1},
    };
    for (const RefusalCase& c : cases) {
        for (const bool silent : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (silent ? ", silent" : ", window"));
            m_contents.fixedTarget = c.fixedTarget;
            bool started = false;
            RunWindow(
                c.sim,
                [&](TestDlg& d) {
                    d.m_bSilent = silent;
                    d.m_nBinSelect = c.binSelect;
                },
                [&](TestDlg& d) {
                    if (!started) {
                        if (!Ready(d)) {
                            return false;  // not announced yet
                        }
                        if (c.forcedSelection != -9) {
                            d.m_nSelImage = c.forcedSelection;
                        }
                        d.StartUpdate();
                        started = true;
                        return false;
                    }
                    // The window mode stays open after a refusal; the silent mode has ended by now.
                    EXPECT_FALSE(silent);
                    EXPECT_FALSE(d.IsUpdating());
                    d.EndDialog(ui::IDCANCEL);
                    return true;
                });
            EXPECT_EQ(m_exitCode, silent ? kestrel::kExitRefused : 0);
            EXPECT_TRUE(BoxSaid(c.text) || silent) << AllBoxes();
            TearDown();
        }
    }
}

TEST_F(ControllerTest, EnterAndEscapeDoNothingWhileBusyAndTheWaitForBootModeEnds) {
    bool stayedOpen = false;
    int phase = 0;
    RunWindow("fault=never-returns", {}, [&](TestDlg& d) {
        if (phase == 0 && Ready(d)) {
            ui::InjectKey(d.Handle(), ui::WM_KEYDOWN, ui::VK_RETURN);  // starts: EnterIap, then busy
            phase = 1;
        } else if (phase == 1 && d.IsWaitingForIap()) {
            ui::InjectKey(d.Handle(), ui::WM_KEYDOWN, ui::VK_ESCAPE);
            ui::InjectKey(d.Handle(), ui::WM_KEYDOWN, ui::VK_RETURN);
            stayedOpen = d.IsAlive() && d.IsWaitingForIap() && !ui::IsWindowEnabled(d.CloseButton());
            return true;  // the boot-mode device never comes: the wait's bound ends it
        }
        return false;
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(BoxSaid("Update failed")) << AllBoxes();
    EXPECT_EQ(m_exitCode, 0);
}

TEST_F(ControllerTest, EscapeWhenIdleCloses) {
    RunWindow("", {}, [&](TestDlg& d) {
        if (!Ready(d)) {
            return false;
        }
        ui::InjectKey(d.Handle(), ui::WM_KEYDOWN, ui::VK_ESCAPE);
        return true;
    });
    EXPECT_EQ(m_exitCode, 0);
    EXPECT_TRUE(m_boxes.empty()) << AllBoxes();
}

TEST_F(ControllerTest, SecondBootModeAnnouncementDuringARunIsIgnored) {
    int phase = 0;
    RunWindow("keyboard=iap", [](TestDlg& d) { d.m_bAutoStart = true; }, [&](TestDlg& d) {
        if (phase == 0 && d.IsUpdating()) {
            d.m_bAutoStart = true;  // as if it were still pending
            ui::Post(d.Handle(), device::WM_DEVICE_PRESENCE, 0, 1);
            phase = 1;
            return true;
        }
        return false;
    });
    EXPECT_EQ(phase, 1);
    ASSERT_EQ(m_boxes.size(), 1u) << AllBoxes();
    EXPECT_TRUE(BoxSaid("new firmware has been installed")) << AllBoxes();
}

TEST_F(ControllerTest, SilentRunWithoutKeyboardEndsWithTwo) {
    RunWindow("keyboard=none", [](TestDlg& d) { d.m_bSilent = d.m_bAutoStart = true; }, nullptr);
    EXPECT_EQ(m_exitCode, kestrel::kExitNoKeyboard);
}

} // namespace
} // namespace updatetest
