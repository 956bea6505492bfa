// KESTREL_SNAPSHOT_DIR: every presented frame of a top-level window lands there as a PNG that
// ImageMagick reads back with the window's size and pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "tests/ui/UiFixture.h"
#include "ui/WindowApi.h"

namespace ui::test {
namespace {

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        out += buffer;
    }
    pclose(pipe);
    return out;
}

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("kestrel-snapshots-" + std::to_string(getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        setenv("KESTREL_SNAPSHOT_DIR", folder.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("KESTREL_SNAPSHOT_DIR");
        std::filesystem::remove_all(folder);
    }
    std::filesystem::path folder;
};

TEST_F(SnapshotTest, PresentedFramesAreWrittenAsPngsImageMagickReads) {
    TestWindow window;
    window.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg != WM_PAINT) {
            return window.DefWindowProc(msg, wParam, lParam);
        }
        PaintContext paint = BeginPaint(window);
        paint.painter.FillRect({0, 0, 200, 120}, MakePixel(10, 20, 30));
        paint.painter.FillRect({150, 100, 160, 110}, MakePixel(250, 128, 3));
        EndPaint(window, paint);
        return 0;
    });
    ASSERT_TRUE(CreateTopLevel(window, {0, 0, 200, 120}, u"Snap Shot"));
    Settle();
    const Rect again{0, 0, 10, 10};
    InvalidateRect(window.Handle(), &again, false);
    UpdateWindow(window.Handle());

    const auto first = folder / "Snap_Shot-000001.png";
    const auto second = folder / "Snap_Shot-000002.png";
    ASSERT_TRUE(std::filesystem::exists(first));
    ASSERT_TRUE(std::filesystem::exists(second));
    EXPECT_EQ(RunCommand("identify -format '%w %h' '" + first.string() + "'"), "200 120");
    const std::string pixel = "%[fx:int(255*p{X,Y}.r+0.5)],%[fx:int(255*p{X,Y}.g+0.5)],%[fx:int(255*p{X,Y}.b+0.5)]";
    auto at = [&](int x, int y) {
        std::string format = pixel;
        for (size_t i; (i = format.find('X')) != std::string::npos;) {
            format.replace(i, 1, std::to_string(x));
        }
        for (size_t i; (i = format.find('Y')) != std::string::npos;) {
            format.replace(i, 1, std::to_string(y));
        }
        return RunCommand("identify -format '" + format + "' '" + second.string() + "'");
    };
    EXPECT_EQ(at(155, 105), "250,128,3");
    EXPECT_EQ(at(5, 5), "10,20,30");
    EXPECT_EQ(at(199, 119), "10,20,30");
}

} // namespace
} // namespace ui::test
