// Measures what one main-window frame costs on X11: composing a 500 x 384 frame (background copy,
// progress strip, title and a body text box) and presenting it through the X11 back-end, up to the
// server having drawn it (XSync after the present). Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bench/x11_present_bench [frames]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ui/Window.h"
#include "ui/gfx/Painter.h"
#include "ui/gfx/Text.h"
#include "ui/x11/X11Display.h"

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 384;

// Input is not looked at here.
class IgnoringSink final : public ui::X11InputSink {
public:
    void Mouse(ui::WindowHandle, ui::UINT, ui::Point, ui::WPARAM) override {}
    void Key(ui::WindowHandle, ui::UINT, ui::WPARAM) override {}
    void Exposed(ui::WindowHandle, const ui::Rect&) override {}
    void CloseRequest(ui::WindowHandle) override {}
    void Activation(ui::WindowHandle, bool) override {}
    void Moved(ui::WindowHandle, ui::Point) override {}
};

ui::Surface MakeBackground() {
    ui::Surface s(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double v = std::sin(x / 23.0) + std::sin(y / 17.0) + std::sin((x + y) / 31.0);
            const auto c = static_cast<uint8_t>(128 + 40 * v);
            s.Set(x, y, ui::MakePixel(c, static_cast<uint8_t>(255 - c), static_cast<uint8_t>(c / 2 + 60)));
        }
    }
    return s;
}

void Compose(ui::Surface& frame, const ui::Surface& background, const ui::Surface& stripFull, int progress) {
    ui::Painter painter(frame);
    painter.Copy({0, 0}, background);
    painter.FillRect({0, 368, kWidth, kHeight}, ui::MakePixel(40, 40, 40));
    const int filled = kWidth * progress / 100;
    painter.Copy({0, 368}, stripFull, ui::Rect{0, 0, filled, 16});
    ui::DrawText(painter, u"Kestrel Firmware Update", {0, 20, kWidth, 70}, {u"DejaVu Sans", 38, 400},
                 ui::MakeColorRef(255, 255, 255), ui::TextAlign::Center);
    ui::DrawText(painter, u"Layout: US\r\nVersion 1.2.3", {40, 200, 300, 240}, {u"DejaVu Sans", 16, 700},
                 ui::MakeColorRef(230, 230, 230), ui::TextAlign::Left);
}

struct Stats {
    double median;
    double p90;
    double mean;
};

Stats Summarise(std::vector<double> us) {
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double v : us) {
        sum += v;
    }
    return {us[us.size() / 2], us[us.size() * 9 / 10], sum / static_cast<double>(us.size())};
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    auto opened = ui::X11Display::Open(std::make_unique<IgnoringSink>());
    if (!opened) {
        std::fprintf(stderr, "x11_present_bench: no X display (run under xvfb-run)\n");
        return 2;
    }
    ui::X11Display& display = *opened;
    ui::SetDisplay(std::move(opened));

    ui::Window window;
    ui::CreateParams params;
    params.rect = {0, 0, kWidth, kHeight};
    params.style = ui::WS_POPUP;
    params.text = u"bench";
    if (!window.Create(params)) {
        std::fprintf(stderr, "x11_present_bench: no window\n");
        return 1;
    }
    display.ShowNativeWindow(window, true);
    display.Sync();

    const ui::Surface background = MakeBackground();
    const ui::Surface stripFull(kWidth, 16, ui::MakePixel(0x06, 0xB0, 0x25));
    ui::Surface frame(kWidth, kHeight);
    using Clock = std::chrono::steady_clock;
    const auto micros = [](Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); };

    std::vector<double> compose;
    std::vector<double> present;
    std::vector<double> strip;
    for (int i = 0; i < frames; ++i) {
        const auto t0 = Clock::now();
        Compose(frame, background, stripFull, i % 101);
        const auto t1 = Clock::now();
        display.PresentNativeWindow(window, frame, frame.Bounds());
        display.Sync();
        const auto t2 = Clock::now();
        // A progress step repaints only the strip's part.
        display.PresentNativeWindow(window, frame, ui::Rect{0, 368, kWidth, kHeight});
        display.Sync();
        const auto t3 = Clock::now();
        display.DispatchPendingEvents();
        compose.push_back(micros(t1 - t0));
        present.push_back(micros(t2 - t1));
        strip.push_back(micros(t3 - t2));
    }
    const Stats c = Summarise(compose);
    const Stats p = Summarise(present);
    const Stats s = Summarise(strip);
    std::printf("x11 500x384 frame, %d frames\n", frames);
    std::printf("  compose            median %8.1f us   p90 %8.1f us   mean %8.1f us\n", c.median, c.p90, c.mean);
    std::printf("  present whole      median %8.1f us   p90 %8.1f us   mean %8.1f us\n", p.median, p.p90, p.mean);
    std::printf("  present strip only median %8.1f us   p90 %8.1f us   mean %8.1f us\n", s.median, s.p90, s.mean);
    std::printf("  compose + present  median %8.1f us\n", c.median + p.median);
    return 0;
}
