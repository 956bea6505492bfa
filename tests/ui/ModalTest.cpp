// Modal runs: nested loops that keep the thread's other windows working, their results, and quit.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sys/Clock.h"
#include "tests/ui/TestWindow.h"
#include "ui/MessageLoop.h"

namespace ui::test {
namespace {

class ModalTest : public ::testing::Test {
protected:
    void SetUp() override { sys::SetTimeScale(50); }
    void TearDown() override { sys::SetTimeScale(1); }
};

TEST_F(ModalTest, KeepsDispatchingOtherWindowsTimersAndPostsUntilEndModal) {
    TestWindow dialog;
    ASSERT_TRUE(dialog.CreateHidden());
    int ticks = 0;
    int posts = 0;
    TestWindow other;
    other.SetHandler([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TEST) {
            ++posts;
        } else if (msg == WM_TIMER && ++ticks == 3) {
            KillTimer(other.Handle(), 1);
            EndModal(dialog.Handle(), 42);
        }
        return 0;
    });
    ASSERT_TRUE(other.CreateHidden());
    ASSERT_TRUE(SetTimer(other.Handle(), 1, 50));
    Post(other.Handle(), WM_TEST);
    EXPECT_EQ(RunModal(dialog), 42);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(posts, 1);
    EXPECT_TRUE(dialog.IsAlive()); // ending the run does not destroy the dialog
}

TEST_F(ModalTest, ResultDependsOnHowTheRunEnds) {
    enum class How { EndModal, Destroy, EndModalThenDestroy, EndModalBeforeRun, EndModalFromOtherThread, Close };
    struct Case {
        const char* name;
        How how;
        int expected;
    };
    const Case cases[] = {
        {"EndModal", How::EndModal, 5},
        {"destroyed", How::Destroy, IDCANCEL},
        {"EndModal then destroyed", How::EndModalThenDestroy, 6},
        {"EndModal before the run", How::EndModalBeforeRun, 7},
        {"EndModal from another thread", How::EndModalFromOtherThread, 8},
        {"WM_CLOSE", How::Close, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWindow dialog;
        dialog.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg != WM_TEST) {
                return dialog.DefWindowProc(msg, wParam, lParam);
            }
            switch (c.how) {
            case How::EndModal: EndModal(dialog.Handle(), 5); break;
            case How::Destroy: dialog.Destroy(); break;
            case How::EndModalThenDestroy:
                EndModal(dialog.Handle(), 6);
                dialog.Destroy();
                break;
            default: break;
            }
            return 0;
        });
        ASSERT_TRUE(dialog.CreateHidden());
        std::thread helper;
        switch (c.how) {
        case How::EndModalBeforeRun: EndModal(dialog.Handle(), 7); break;
        case How::EndModalFromOtherThread:
            helper = std::thread([h = dialog.Handle()] { EndModal(h, 8); });
            break;
        case How::Close: Post(dialog.Handle(), WM_CLOSE); break;
        default: Post(dialog.Handle(), WM_TEST); break;
        }
        EXPECT_EQ(RunModal(dialog), c.expected);
        if (helper.joinable()) {
            helper.join();
        }
        // Nothing of this run is left behind for the next one.
        if (dialog.IsAlive()) {
            Post(dialog.Handle(), WM_CLOSE);
            EXPECT_EQ(RunModal(dialog), IDCANCEL);
        }
    }
}

TEST_F(ModalTest, DeadDialogReturnsAtOnce) {
    TestWindow dialog;
    EXPECT_EQ(RunModal(dialog), IDCANCEL); // never created
    ASSERT_TRUE(dialog.CreateHidden());
    dialog.Destroy();
    EXPECT_EQ(RunModal(dialog), IDCANCEL);
}

// Ending an outer dialog while an inner one runs ends the outer run only after the inner one.
TEST_F(ModalTest, NestedRunsEndInnermostFirst) {
    std::vector<std::string> order;
    TestWindow outer;
    TestWindow inner;
    outer.SetHandler([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TEST) {
            order.push_back("inner starts");
            order.push_back("inner ended " + std::to_string(RunModal(inner)));
        }
        return 0;
    });
    inner.SetHandler([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TEST) {
            EndModal(outer.Handle(), 1);
            Post(inner.Handle(), WM_TEST + 1); // still handled: the inner run goes on
        } else if (msg == WM_TEST + 1) {
            order.push_back("inner still running");
            EndModal(inner.Handle(), 2);
        }
        return 0;
    });
    ASSERT_TRUE(outer.CreateHidden());
    ASSERT_TRUE(inner.CreateHidden());
    Post(outer.Handle(), WM_TEST);
    Post(inner.Handle(), WM_TEST);
    EXPECT_EQ(RunModal(outer), 1);
    EXPECT_EQ(order, (std::vector<std::string>{"inner starts", "inner still running", "inner ended 2"}));
}

TEST_F(ModalTest, QuitInsideAModalRunEndsItAndTheOuterLoop) {
    TestWindow dialog;
    ASSERT_TRUE(dialog.CreateHidden());
    int modalResult = -1;
    bool afterQuitHandled = false;
    TestWindow main;
    main.SetHandler([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TEST) {
            SetTimer(main.Handle(), 1, 50);
            modalResult = RunModal(dialog);
        } else if (msg == WM_TIMER) {
            KillTimer(main.Handle(), 1);
            PostQuit(3);
        } else if (msg == WM_TEST + 1) {
            afterQuitHandled = true;
        }
        return 0;
    });
    ASSERT_TRUE(main.CreateHidden());
    Post(main.Handle(), WM_TEST);
    EXPECT_EQ(RunMessageLoop(), 3);
    EXPECT_EQ(modalResult, IDCANCEL);
    EXPECT_FALSE(afterQuitHandled);
}

} // namespace
} // namespace ui::test
