// Template dialogs: modal runs with a disabled owner, the dialog's key handling after
// PreTranslateMessage, EndDialog, the window menu's close item, the standard controls, centring.
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "tests/ui/UiFixture.h"
#include "ui/Dialog.h"
#include "ui/Input.h"
#include "ui/WindowApi.h"

namespace ui::test {
namespace {

constexpr int kText = 100;
constexpr int kOther = 101;
constexpr int kProgress = 102;
constexpr int kGroup = 103;
constexpr int kNotRun = -1;

DialogTemplate TestTemplate() {
    DialogTemplate t;
    t.id = 140;
    t.caption = u"Test dialog";
    t.rect = {0, 0, 300, 200};
    t.controls = {
        {kText, ControlKind::Static, u"hello", {10, 10, 200, 30}},
        {IDOK, ControlKind::DefPushButton, u"OK", {10, 150, 80, 175}, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
        {IDCANCEL, ControlKind::PushButton, u"Cancel", {100, 150, 170, 175}, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
        {kOther, ControlKind::PushButton, u"Other", {180, 150, 250, 175}, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
        {kProgress, ControlKind::Progress, u"", {10, 100, 290, 120}},
        {kGroup, ControlKind::GroupBox, u"Group", {5, 40, 295, 140}},
    };
    return t;
}

// A dialog that runs `script` once its modal loop is going, records commands and lets a test
// swallow keys in PreTranslateMessage. Commands for kOther end the run with kOther.
class TestDialog : public Dialog {
public:
    TestDialog() : Dialog(TestTemplate()) {}

    std::function<void(TestDialog&)> script;
    std::function<bool(UINT, WPARAM)> preTranslate;
    std::function<void(TestDialog&)> onOther; // runs on the kOther command, before the run ends
    bool endAfterScript = true;               // end with kNotRun once the script's effects are handled
    std::vector<WPARAM> commands;

    bool PreTranslateMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (preTranslate && preTranslate(msg, wParam)) {
            return true;
        }
        return Dialog::PreTranslateMessage(msg, wParam, lParam);
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TEST) {
            if (script) {
                script(*this);
            }
            // Whatever the script did not end, ends here.
            if (endAfterScript) {
                Post(Handle(), WM_TEST_QUIT);
            }
            return 0;
        }
        if (msg == WM_TEST_QUIT) {
            EndDialog(kNotRun);
            return 0;
        }
        return Dialog::WindowProc(msg, wParam, lParam);
    }

protected:
    bool OnInitDialog() override {
        Post(Handle(), WM_TEST);
        return Dialog::OnInitDialog();
    }
    bool OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(wParam);
        if (LoWord(wParam) == kOther) {
            if (onOther) {
                onOther(*this);
            }
            EndDialog(kOther);
            return true;
        }
        return Dialog::OnCommand(wParam, lParam);
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateTopLevel(owner, {0, 0, 500, 384}, u"owner")); }
    TestWindow owner;
};

TEST_F(DialogTest, ModalRunEndsAsKeysCloseRequestsAndEndDialogSay) {
    struct Case {
        const char* name;
        std::function<void(TestDialog&)> script;
        bool swallowEscape;
        int expected;
    };
    auto key = [](WPARAM vk) { return [vk](TestDialog& d) { InjectKey(d.Handle(), WM_KEYDOWN, vk); }; };
    const Case cases[] = {
        {"Escape cancels", key(VK_ESCAPE), false, IDCANCEL},
        {"Enter presses the default button", key(VK_RETURN), false, IDOK},
        {"Enter presses the focused push button",
         [](TestDialog& d) {
             SetFocus(GetDlgItem(d.Handle(), kOther));
             InjectKey(d.Handle(), WM_KEYDOWN, VK_RETURN);
         },
         false, kOther},
        {"Enter with the default button disabled does nothing",
         [](TestDialog& d) {
             EnableWindow(GetDlgItem(d.Handle(), IDOK), false);
             InjectKey(d.Handle(), WM_KEYDOWN, VK_RETURN);
         },
         false, kNotRun},
        {"PreTranslateMessage swallows Escape", key(VK_ESCAPE), true, kNotRun},
        {"EndDialog result", [](TestDialog& d) { d.EndDialog(7); }, false, 7},
        {"clicking Cancel",
         [](TestDialog& d) {
             InjectMouse(d.Handle(), WM_LBUTTONDOWN, {110, 160}, MK_LBUTTON);
             InjectMouse(d.Handle(), WM_LBUTTONUP, {110, 160}, 0);
         },
         false, IDCANCEL},
        {"close request", [](TestDialog& d) { InjectCloseRequest(d.Handle()); }, false, IDCANCEL},
        {"close request while the close item is grayed",
         [](TestDialog& d) {
             EXPECT_TRUE(EnableCloseItem(d.Handle(), false));
             EXPECT_FALSE(IsCloseItemEnabled(d.Handle()));
             InjectCloseRequest(d.Handle());
         },
         false, kNotRun},
        {"WM_CLOSE", [](TestDialog& d) { Post(d.Handle(), WM_CLOSE); PumpPending(); }, false, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDialog dialog;
        bool ownerEnabledDuringRun = true;
        bool dialogActive = false;
        dialog.script = [&](TestDialog& d) {
            ownerEnabledDuringRun = IsWindowEnabled(owner.Handle());
            dialogActive = GetActiveWindow() == d.Handle();
            c.script(d);
        };
        dialog.preTranslate = [&](UINT msg, WPARAM vk) { return c.swallowEscape && msg == WM_KEYDOWN && vk == VK_ESCAPE; };
        EXPECT_EQ(dialog.DoModal(owner.Handle()), c.expected);
        EXPECT_FALSE(ownerEnabledDuringRun);
        EXPECT_TRUE(dialogActive);
        EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
        EXPECT_EQ(GetActiveWindow(), owner.Handle());
        EXPECT_FALSE(dialog.IsAlive());
    }
}

TEST_F(DialogTest, ControlsKeepTheirTextsStatesAndProgressFromAnyThread) {
    TestDialog dialog;
    dialog.endAfterScript = false; // the worker ends it
    std::thread worker;
    int previousPos = -1;
    dialog.script = [&](TestDialog& d) {
        const WindowHandle self = d.Handle();
        EXPECT_EQ(GetWindowText(GetDlgItem(self, kText)), u"hello");
        EXPECT_TRUE(SetDlgItemText(self, kText, u"changed"));
        EXPECT_EQ(GetWindowText(GetDlgItem(self, kText)), u"changed");
        EXPECT_FALSE(SetDlgItemText(self, 999, u"nobody"));
        EXPECT_EQ(GetDlgItem(self, 0), WindowHandle{});
        EXPECT_EQ(GetDlgCtrlID(GetDlgItem(self, kGroup)), kGroup);
        EXPECT_EQ(GetParent(GetDlgItem(self, kGroup)), self);
        EXPECT_EQ(Send(GetDlgItem(self, kProgress), PBM_GETPOS), 0);
        // The worker drives the controls while this thread's modal loop runs; it ends the dialog
        // through the kOther command when done.
        worker = std::thread([self, &previousPos] {
            const WindowHandle progress = GetDlgItem(self, kProgress);
            previousPos = static_cast<int>(Send(progress, PBM_SETPOS, 40));
            Send(progress, PBM_SETPOS, 150); // kept within 0..100
            SetDlgItemText(self, kText, u"from the worker");
            EnableWindow(GetDlgItem(self, kOther), false);
            ShowWindow(GetDlgItem(self, kGroup), false);
            Post(self, WM_COMMAND, MakeWParam(kOther, BN_CLICKED), 0);
        });
    };
    // Checked on the worker's closing command, still inside the run.
    bool checked = false;
    dialog.onOther = [&](TestDialog& d) {
        const WindowHandle self = d.Handle();
        EXPECT_EQ(Send(GetDlgItem(self, kProgress), PBM_GETPOS), 100);
        EXPECT_EQ(GetWindowText(GetDlgItem(self, kText)), u"from the worker");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(self, kOther)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(self, kGroup)));
        checked = true;
    };
    EXPECT_EQ(dialog.DoModal(owner.Handle()), kOther);
    worker.join();
    EXPECT_TRUE(checked);
    EXPECT_EQ(previousPos, 0);
}

TEST_F(DialogTest, DialogsLearnWhetherAUserCanAnswer) {
    EXPECT_FALSE(Dialog::UserCanAnswer()); // headless
    Headless().SetInteractive(true);
    EXPECT_TRUE(Dialog::UserCanAnswer());
    Headless().SetInteractive(false);
}

TEST_F(DialogTest, CenterWindowCentresOverTheOwnerWithinTheWorkArea) {
    struct Case {
        const char* name;
        Rect ownerRect;
        Point expected;
    };
    const Case cases[] = {
        {"over the owner", {0, 0, 500, 384}, {100, 92}},
        {"held inside on the right and bottom", {800, 600, 1300, 984}, {1024 - 300, 768 - 200}},
        {"held inside on the left and top", {-400, -300, 100, 84}, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MoveWindow(owner.Handle(), c.ownerRect, false);
        TestDialog dialog;
        Rect placed;
        dialog.script = [&](TestDialog& d) {
            d.CenterWindow();
            placed = GetWindowRect(d.Handle());
        };
        dialog.DoModal(owner.Handle());
        EXPECT_EQ((Point{placed.left, placed.top}), c.expected);
        EXPECT_EQ(placed.Width(), 300);
        EXPECT_EQ(placed.Height(), 200);
    }
}

} // namespace
} // namespace ui::test
