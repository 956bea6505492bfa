// CWarning: the small modal result dialog (template 140) that tells the user how an update ended:
// success, failure, or that no update was performed (the latest firmware is installed). The skin
// adds its pictures; until then the result kind is said in the template's static text 1017.
//
// Threads: user-interface thread only; it lives on its caller's stack for one modal run.
#pragma once

#include <string>

#include "skin/CBitmapBtn.h"
#include "ui/Dialog.h"

namespace skin {

inline constexpr int WARNING_SUCCESS = 1;
inline constexpr int WARNING_FAILURE = 2;
inline constexpr int WARNING_LATEST = 3;

inline constexpr int kWarningTemplateId = 140;
inline constexpr int kWarningTextId = 1017;

// The text that says result kind `result` ("" for an unknown kind).
std::u16string WarningText(int result);

class CWarning : public ui::Dialog {
public:
    CWarning();
    ~CWarning() override;

    int m_nResult = 0;  // WARNING_SUCCESS, WARNING_FAILURE or WARNING_LATEST; set by the caller

    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(ui::WPARAM wParam, ui::LPARAM lParam) override;

private:
    // The skin set-up: pictures, the two buttons at the layout's places, the window shape. Here only
    // the buttons and the result text; the skin task adds the rest.
    void SetupSkin();

    CBitmapBtn m_btnClose;
    CBitmapBtn m_btnOk;
};

} // namespace skin
