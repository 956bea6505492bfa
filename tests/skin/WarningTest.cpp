// CWarning on an interactive headless display: each result kind shows its own background, the
// dialog is centred over its owner within the work area, and it closes on either button (click or
// right press) and on Escape.
#include "skin/CWarning.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "SkinUiFixture.h"
#include "ui/Input.h"
#include "ui/MessageLoop.h"
#include "ui/WindowApi.h"

namespace skin {
namespace {

using test::Headless;

constexpr ui::UINT WM_TEST_ACT = ui::WM_USER + 1;
constexpr uintptr_t kFailsafeTimer = 77;

// A result dialog that, once shown, records what it presented and then does `act` to itself. A
// failsafe timer ends a dialog that `act` did not close.
class TestWarning : public CWarning {
public:
    std::function<void(TestWarning&)> act;
    std::optional<ui::Surface> presented;
    ui::Rect rect;
    bool failsafe = false;

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override {
        if (msg == WM_TEST_ACT) {
            ui::UpdateWindow(Handle());
            presented = Headless().Presented(Handle());
            rect = ui::GetWindowRect(Handle());
            if (act) {
                act(*this);
            }
            return 0;
        }
        if (msg == ui::WM_TIMER && wParam == kFailsafeTimer) {
            failsafe = true;
            EndDialog(-1);
            return 0;
        }
        return CWarning::WindowProc(msg, wParam, lParam);
    }

protected:
    bool OnInitDialog() override {
        const bool result = CWarning::OnInitDialog();
        ui::InjectActivation(Handle(), true);
        ui::Post(Handle(), WM_TEST_ACT);
        ui::SetTimer(Handle(), kFailsafeTimer, 5000);
        return result;
    }
};

class WarningTest : public testing::Test {
protected:
    void SetUp() override { Headless().SetInteractive(true); }
    void TearDown() override { Headless().SetInteractive(false); }

    // Runs a dialog of kind `kind` owned by a window at `ownerRect`; returns the modal result.
    int Run(TestWarning& dialog, int kind, const ui::Rect& ownerRect = {0, 0, 500, 384}) {
        test::LambdaWindow owner;
        EXPECT_TRUE(test::CreateTopLevel(owner, ownerRect));
        dialog.m_nResult = kind;
        return dialog.DoModal(owner.Handle());
    }
};

// A click or right press at the centre of one of the dialog's buttons.
void PressAt(TestWarning& d, ui::WindowHandle button, bool right) {
    const ui::Rect r = ui::GetWindowRect(button);
    const ui::Rect dlg = ui::GetWindowRect(d.Handle());
    const ui::Point at{(r.left + r.right) / 2 - dlg.left, (r.top + r.bottom) / 2 - dlg.top};
    const ui::UINT down = right ? ui::WM_RBUTTONDOWN : ui::WM_LBUTTONDOWN;
    const ui::UINT up = right ? ui::WM_RBUTTONUP : ui::WM_LBUTTONUP;
    ui::InjectMouse(d.Handle(), ui::WM_MOUSEMOVE, at, 0);
    ui::InjectMouse(d.Handle(), down, at, right ? ui::MK_RBUTTON : ui::MK_LBUTTON);
    ui::InjectMouse(d.Handle(), up, at, 0);
}

TEST_F(WarningTest, EachResultKindShowsItsOwnBackground) {
    for (int kind : {WARNING_SUCCESS, WARNING_FAILURE, WARNING_LATEST}) {
        SCOPED_TRACE(kind);
        const auto ids = WarningPicturesOf(kind);
        ASSERT_TRUE(ids.has_value());
        SkinPicture expected;
        ASSERT_TRUE(LoadPictureResource(u"JPG", ids->background, expected));
        TestWarning dialog;
        dialog.act = [](TestWarning& d) { ui::Post(d.Handle(), ui::WM_CLOSE); };
        EXPECT_EQ(Run(dialog, kind), ui::IDCANCEL);
        EXPECT_FALSE(dialog.failsafe);
        ASSERT_TRUE(dialog.presented.has_value());
        ASSERT_EQ(dialog.presented->Width(), 436);
        ASSERT_EQ(dialog.presented->Height(), 269);
        // The buttons' normal looks are cut from the same picture: the frame is the picture.
        EXPECT_TRUE(std::equal(dialog.presented->Pixels().begin(), dialog.presented->Pixels().end(),
                               expected.Get()->Pixels().begin()));
    }
}

TEST_F(WarningTest, KindsUseTheirOwnPictureSets) {
    const auto success = WarningPicturesOf(WARNING_SUCCESS);
    const auto failure = WarningPicturesOf(WARNING_FAILURE);
    const auto latest = WarningPicturesOf(WARNING_LATEST);
    ASSERT_TRUE(success && failure && latest);
    EXPECT_EQ(success->background, 149u);
    EXPECT_EQ(success->hover, 148u);
    EXPECT_EQ(success->disabled, 147u);
    EXPECT_EQ(failure->background, 152u);
    EXPECT_EQ(failure->hover, 151u);
    EXPECT_EQ(failure->disabled, 150u);
    EXPECT_EQ(latest->background, 144u);
    EXPECT_EQ(latest->hover, 146u);
    EXPECT_EQ(latest->disabled, 145u);
    EXPECT_FALSE(WarningPicturesOf(0).has_value());
}

TEST_F(WarningTest, ClosesOnEitherButtonAndOnEscape) {
    struct Case {
        const char* what;
        std::function<void(TestWarning&)> act;
    };
    const Case cases[] = {
        {"click OK", [](TestWarning& d) { PressAt(d, d.OkButton(), false); }},
        {"click close", [](TestWarning& d) { PressAt(d, d.CloseButton(), false); }},
        {"right press OK", [](TestWarning& d) { PressAt(d, d.OkButton(), true); }},
        {"right press close", [](TestWarning& d) { PressAt(d, d.CloseButton(), true); }},
        {"Escape", [](TestWarning& d) { ui::InjectKey(d.Handle(), ui::WM_KEYDOWN, ui::VK_ESCAPE); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWarning dialog;
        dialog.act = c.act;
        EXPECT_EQ(Run(dialog, WARNING_FAILURE), ui::IDCANCEL);
        EXPECT_FALSE(dialog.failsafe);
    }
}

TEST_F(WarningTest, ButtonsSitWhereTheSuccessSectionPlacesThem) {
    TestWarning dialog;
    ui::Rect close;
    ui::Rect ok;
    dialog.act = [&](TestWarning& d) {
        const ui::Rect dlg = ui::GetWindowRect(d.Handle());
        auto local = [&](ui::WindowHandle h) {
            const ui::Rect r = ui::GetWindowRect(h);
            return ui::Rect{r.left - dlg.left, r.top - dlg.top, r.right - dlg.left, r.bottom - dlg.top};
        };
        close = local(d.CloseButton());
        ok = local(d.OkButton());
        ui::Post(d.Handle(), ui::WM_CLOSE);
    };
    Run(dialog, WARNING_LATEST);
    EXPECT_EQ(close, (ui::Rect{411, 6, 431, 26}));
    EXPECT_EQ(ok, (ui::Rect{190, 222, 255, 248}));
}

TEST_F(WarningTest, CentredOverItsOwnerWithinTheWorkArea) {
    struct Case {
        const char* what;
        ui::Rect owner;
        ui::Point topLeft;
    };
    const Case cases[] = {
        {"main window at the top-left corner", {0, 0, 500, 384}, {32, 57}},
        {"owner near the bottom-right corner", {900, 700, 1400, 1084}, {1024 - 436, 768 - 269}},
        {"owner off the top-left corner", {-400, -300, 100, 84}, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWarning dialog;
        dialog.act = [](TestWarning& d) { ui::Post(d.Handle(), ui::WM_CLOSE); };
        Run(dialog, WARNING_SUCCESS, c.owner);
        EXPECT_EQ(dialog.rect, (ui::Rect{c.topLeft.x, c.topLeft.y, c.topLeft.x + 436, c.topLeft.y + 269}));
    }
}

TEST_F(WarningTest, PressOutsideTheButtonsStartsTheMoveDrag) {
    TestWarning dialog;
    int drags = -1;
    dialog.act = [&](TestWarning& d) {
        ui::InjectMouse(d.Handle(), ui::WM_LBUTTONDOWN, {100, 100}, ui::MK_LBUTTON);
        ui::PumpPending();
        drags = Headless().State(d.Handle())->moveDrags;
        ui::InjectMouse(d.Handle(), ui::WM_LBUTTONUP, {100, 100}, 0);
        ui::Post(d.Handle(), ui::WM_CLOSE);
    };
    Run(dialog, WARNING_SUCCESS);
    EXPECT_EQ(drags, 1);
}

} // namespace
} // namespace skin
