// Message boxes of the Windows back-end: MessageBoxW, owned by the owner's window, with the
// framework's loop served while the box is open.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sys/Event.h"
#include "tests/ui/win32/Win32TestSupport.h"

// After our own headers.
#include "ui/win32/Win32Headers.h"

namespace ui::win32::test {
namespace {

TEST(Win32MessageBoxTest, BoxIsOwnedByTheOwnersWindowAndAnsweredWhileTheLoopRuns) {
    constexpr wchar_t kCaption[] = L"Error";
    sys::Event ended(sys::Event::Reset::Manual);
    std::atomic<bool> rescued{false};
    HWND seenOwner = nullptr;
    int ticks = 0;

    TestWindow owner;
    ASSERT_TRUE(CreateTopLevel(owner, Rect{40, 40, 240, 140}, u"Kestrel"));
    owner.Show(true);
    const HWND ownerHwnd = HwndOf(owner);
    owner.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg != WM_TIMER) {
            return owner.DefWindowProc(msg, wParam, lParam);
        }
        // The framework's timer fires inside the box's loop: look at the box, then answer it.
        ++ticks;
        HWND box = FindWindowW(L"#32770", kCaption);
        if (box != nullptr && !ended.IsSet()) {
            seenOwner = GetWindow(box, GW_OWNER);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            ended.Set();
        }
        return 0;
    });
    ASSERT_TRUE(SetTimer(owner.Handle(), 1, 20));
    std::thread guard([&] {
        if (!ended.Wait(10000)) {
            rescued = true;
            HWND box = nullptr;
            while ((box = FindWindowW(L"#32770", kCaption)) == nullptr) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    });
    const int answer = MessageBox(owner.Handle(), u"Cannot open the keyboard.", u"Error", MB_OK | MB_ICONERROR);
    ended.Set();
    guard.join();
    KillTimer(owner.Handle(), 1);

    EXPECT_EQ(answer, IDOK);
    EXPECT_FALSE(rescued.load()) << "the framework's timer did not run while the box was open";
    EXPECT_GE(ticks, 1);
    EXPECT_EQ(seenOwner, ownerHwnd);
}

} // namespace
} // namespace ui::win32::test
