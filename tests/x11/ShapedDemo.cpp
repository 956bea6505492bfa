// x11_shaped_demo [click-file]: a shaped, undecorated 300 x 200 window at (40, 30) with its corners
// cut out and one owner-drawn push button, for the X11 end-to-end tests. The button shows its
// normal, hover and pressed looks in three plain colours; each click prints "clicked" and appends
// the same line to click-file. A press on the window outside the button drags it, as the program's
// skinned windows do. Closing the window ends the program with 0. On the headless back-end
// (KESTREL_DISPLAY=headless) the window shows its first frames and closes itself.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/Display.h"
#include "ui/MessageLoop.h"
#include "ui/Paint.h"
#include "ui/WindowApi.h"

namespace {

constexpr ui::Pixel kWindowColor = ui::MakePixel(0x20, 0x60, 0xA0);
constexpr ui::Pixel kButtonNormal = ui::MakePixel(0xC0, 0xC0, 0xC0);
constexpr ui::Pixel kButtonHover = ui::MakePixel(0xFF, 0xD0, 0x40);
constexpr ui::Pixel kButtonPressed = ui::MakePixel(0xA0, 0x20, 0x20);
constexpr ui::Rect kWindowRect{40, 30, 340, 230};
constexpr ui::Rect kButtonRect{100, 80, 200, 120};
constexpr uintptr_t kHeadlessCloseTimer = 1;

class CDemoButton final : public ui::Button {
public:
    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override {
        if (msg == ui::WM_MOUSEMOVE) {
            const ui::Point at{ui::XFromLParam(lParam), ui::YFromLParam(lParam)};
            SetHover(ui::GetClientRect(Handle()).Contains(at));
        }
        return Button::WindowProc(msg, wParam, lParam);
    }

    void OnDrawItem(const ui::DrawItem& item) override {
        const ui::Pixel face = (item.itemState & ui::ODS_SELECTED) != 0 ? kButtonPressed
                               : m_hover                               ? kButtonHover
                                                                       : kButtonNormal;
        item.painter->FillRect(item.rect, face);
    }

    // Main thread.
    void SetHover(bool hover) {
        if (hover != m_hover) {
            m_hover = hover;
            ui::InvalidateRect(Handle(), nullptr, false);
        }
    }

private:
    bool m_hover = false;
};

class CDemoWindow final : public ui::Window {
public:
    explicit CDemoWindow(std::string clickFile) : m_clickFile(std::move(clickFile)) {}

    bool Open() {
        ui::CreateParams params;
        params.rect = kWindowRect;
        params.style = ui::WS_POPUP;
        params.text = u"Kestrel shaped demo";
        if (!Create(params) ||
            !m_button.CreateButton(Handle(), kButtonRect, u"", ui::WS_CHILD | ui::WS_VISIBLE | ui::BS_OWNERDRAW, 1001)) {
            return false;
        }
        // The outline: the four 20 x 20 corners cut away.
        const std::vector<ui::Rect> region = {{20, 0, 280, 200}, {0, 20, 300, 180}};
        if (!ui::SetWindowRegion(Handle(), region, false)) {
            std::fprintf(stderr, "x11_shaped_demo: the window region was refused\n");
        }
        ui::ShowWindow(Handle(), true);
        if (!ui::GetDisplay().IsInteractive()) {
            ui::SetTimer(Handle(), kHeadlessCloseTimer, 200);
        }
        return true;
    }

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override {
        switch (msg) {
        case ui::WM_ERASEBKGND:
            return 1; // WM_PAINT covers everything
        case ui::WM_PAINT: {
            ui::PaintContext context = ui::BeginPaint(*this);
            context.painter.FillRect(ui::GetClientRect(Handle()), kWindowColor);
            ui::EndPaint(*this, context);
            return 0;
        }
        case ui::WM_MOUSEMOVE:
            m_button.SetHover(false); // over the window, so not over the button
            return 0;
        case ui::WM_LBUTTONDOWN:
            ui::Post(Handle(), ui::WM_NCLBUTTONDOWN, ui::HTCAPTION, lParam);
            return 0;
        case ui::WM_COMMAND:
            if (ui::HiWord(wParam) == ui::BN_CLICKED && ui::LoWord(wParam) == 1001) {
                ReportClick();
            }
            return 0;
        case ui::WM_TIMER:
            Destroy();
            return 0;
        case ui::WM_DESTROY:
            ui::PostQuit(0);
            return 0;
        default:
            return DefWindowProc(msg, wParam, lParam);
        }
    }

private:
    void ReportClick() {
        std::printf("clicked\n");
        std::fflush(stdout);
        if (!m_clickFile.empty()) {
            std::ofstream(m_clickFile, std::ios::app) << "clicked\n";
        }
    }

    std::string m_clickFile;
    CDemoButton m_button;
};

} // namespace

int main(int argc, char** argv) {
    if (!ui::DisplayAvailable()) {
        std::fprintf(stderr, "%s\n", ui::NoDisplayMessage().c_str());
        return 2;
    }
    CDemoWindow window(argc > 1 ? argv[1] : "");
    if (!window.Open()) {
        std::fprintf(stderr, "x11_shaped_demo: cannot create the window\n");
        return 1;
    }
    return ui::RunMessageLoop();
}
