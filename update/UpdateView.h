// What the update engine does to the main window, as an interface: the main window implements it
// with window calls (which work from the worker thread too), the engine's tests with a recorder.
#pragma once

#include <string>

namespace kestrel {

class IUpdateView {
public:
    virtual ~IUpdateView() = default;

    // Progress 0..100 into the progress control, then the strip repainted at once. Any thread.
    virtual void SetProgress(int value) = 0;
    // The keyboard's current firmware version text (control 1005). Any thread.
    virtual void SetCurrentVersionText(const std::u16string& text) = 0;
    // Invalidates the whole window. Any thread.
    virtual void InvalidateAll() = 0;
    // The end of a run: the close item and the close button enabled, the start controls (OK, cancel
    // and control 1000) enabled exactly when `enableStart`. Any thread.
    virtual void EnableAfterRun(bool enableStart) = 0;
    // Hands the run's result to the user-interface thread: silent mode posts the exit code (0 or 1),
    // the window mode repaints and arms the success or failure timer. Any thread.
    virtual void HandOver(bool success) = 0;
};

} // namespace kestrel
