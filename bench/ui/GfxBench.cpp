// Measures what one main-window paint costs: decoding a 500 x 384 progressive JPEG (as every
// window set-up does for each picture) and composing one 500 x 384 frame (background copy,
// progress strip, title and two body text boxes). The picture is made here with libjpeg-turbo's
// compressor from a plasma-like pattern, so the benchmark needs no files.
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "ui/gfx/Jpeg.h"
#include "ui/gfx/Painter.h"
#include "ui/gfx/Text.h"

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 384;

std::vector<uint8_t> MakeProgressiveJpeg() {
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double v = std::sin(x / 23.0) + std::sin(y / 17.0) + std::sin((x + y) / 31.0) +
                             std::sin(std::hypot(x - 250.0, y - 192.0) / 19.0);
            uint8_t* p = &pixels[(size_t(y) * kWidth + x) * 4];
            for (int c = 0; c < 3; ++c) {
                const double phase = v * 0.8 + c * 2.1;
                p[c] = uint8_t(std::clamp(128.0 + 110.0 * std::sin(phase) + noise(random), 0.0, 255.0));
            }
            p[3] = 0;
        }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (!handle || tjCompress2(handle, pixels.data(), kWidth, kWidth * 4, kHeight, TJPF_BGRX, &jpeg, &size,
                               TJSAMP_420, 90, TJFLAG_PROGRESSIVE) != 0) {
        std::fprintf(stderr, "gfx_bench: cannot make the test picture\n");
        std::exit(1);
    }
    std::vector<uint8_t> out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

struct Timing {
    double meanUs = 0;
    double minUs = 0;
};

Timing Measure(int iterations, const std::function<void()>& body) {
    body(); // warm caches, fonts and the decoder's tables
    double total = 0;
    double best = 1e300;
    for (int i = 0; i < iterations; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        total += us;
        best = std::min(best, us);
    }
    return {total / iterations, best};
}

} // namespace

int main() {
    const std::vector<uint8_t> jpeg = MakeProgressiveJpeg();
    std::optional<ui::Surface> background;
    const Timing decode = Measure(100, [&] { background = ui::DecodeJpeg(jpeg); });
    if (!background) {
        std::fprintf(stderr, "gfx_bench: the test picture does not decode\n");
        return 1;
    }

    const ui::Surface stripEmpty(kWidth, 16, 0x202020);
    const ui::Surface stripFull(kWidth, 16, 0x20C040);
    const ui::FontSpec title{u"DejaVu Sans", 38, ui::kFontWeightNormal};
    const ui::FontSpec body{u"DejaVu Sans", 21, ui::kFontWeightBold};
    ui::Surface frame(kWidth, kHeight);
    int progress = 0;
    const Timing compose = Measure(300, [&] {
        ui::Painter painter(frame);
        painter.Copy({0, 0}, *background);
        ui::DrawText(painter, u"Kestrel Keyboard Firmware", {0, 20, 500, 70}, title, 0xFFFFFF, ui::TextAlign::Center);
        ui::DrawText(painter, u"US English", {40, 200, 460, 230}, body, 0xFFFFFF, ui::TextAlign::Left);
        ui::DrawText(painter, u"V1.05", {40, 240, 460, 270}, body, 0x00D0FF, ui::TextAlign::Left);
        const ui::Rect strip{0, 368, 500, 384};
        painter.CopyIntoBox(strip, stripEmpty);
        const int filled = kWidth * progress / 100;
        painter.CopyIntoBox({strip.left, strip.top, strip.left + filled, strip.bottom}, stripFull);
        progress = (progress + 7) % 101;
    });

    std::printf("gfx_bench: progressive JPEG %dx%d (%zu bytes) decode: mean %.0f us, best %.0f us\n", kWidth,
                kHeight, jpeg.size(), decode.meanUs, decode.minUs);
    std::printf("gfx_bench: frame %dx%d compose (background, strip, 3 text boxes): mean %.0f us, best %.0f us\n",
                kWidth, kHeight, compose.meanUs, compose.minUs);
    return 0;
}
