// CWarning: the small modal result dialog (template 140) that tells the user how an update ended:
// success, failure, or that no update was performed (the latest firmware is installed). It is
// skinned: a full-window picture per result kind carries the message, two picture buttons (close
// and OK, placed by the layout's "SUCCESS" section for every kind) close it, a mask rounds its
// corners, and it is moved by dragging any point. Escape and WM_CLOSE end it with IDCANCEL.
//
// On a display without a user it says the result where a message box would and ends at once.
//
// Threads: user-interface thread only; it lives on its caller's stack for one modal run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "skin/CBitmapBtn.h"
#include "skin/SkinPicture.h"
#include "ui/Dialog.h"

namespace skin {

inline constexpr int WARNING_SUCCESS = 1;
inline constexpr int WARNING_FAILURE = 2;
inline constexpr int WARNING_LATEST = 3;

inline constexpr int kWarningTemplateId = 140;
inline constexpr int kWarningTextId = 1017;

// The "JPG" pictures of one result kind.
struct WarningPictures {
    uint32_t background;  // also the buttons' normal look
    uint32_t hover;       // the buttons' hover and pressed looks
    uint32_t disabled;
};

// The pictures of result kind `result`; none for an unknown kind.
std::optional<WarningPictures> WarningPicturesOf(int result);

// The text that says result kind `result` ("" for an unknown kind).
std::u16string WarningText(int result);

class CWarning : public ui::Dialog {
public:
    CWarning();
    ~CWarning() override;

    int m_nResult = 0;  // WARNING_SUCCESS, WARNING_FAILURE or WARNING_LATEST; set by the caller

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override;

    // For tests. UI thread.
    ui::WindowHandle CloseButton() const { return m_btnClose.Handle(); }
    ui::WindowHandle OkButton() const { return m_btnOk.Handle(); }

protected:
    bool OnInitDialog() override;
    bool OnCommand(ui::WPARAM wParam, ui::LPARAM lParam) override;

private:
    // Pictures of the result kind, the two buttons at the layout's places, the size of the
    // background and the window shape.
    void SetupSkin();
    void OnPaint();

    SkinPicture m_bmpBackground;
    CBitmapBtn m_btnClose;
    CBitmapBtn m_btnOk;
};

} // namespace skin
