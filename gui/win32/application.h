// The toolkit's application object: one per process. It initialises the common controls and
// OLE (the drop target needs it), keeps the toolkit's default font, counts the process's
// top-level windows and runs the event loop until none is left.
//
// Raises base::OSError when OLE cannot be initialised or the default font cannot be made.
#pragma once

#include "gui/win32/fonts.h"
#include "gui/win32/win.h"

namespace ledgerine::gui::win32 {

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The one application object; nullptr when none exists.
    static Application* current() noexcept;

    // The font panels and buttons are created with.
    HFONT defaultFont() const noexcept { return defaultFont_.handle(); }

    // Gets, translates and dispatches messages until no top-level window is left. Returns 0.
    int run();

    // Handles every message that is already waiting, then returns (for tests).
    static void processPendingMessages();

    // Top-level windows report their creation and destruction; the loop ends when the count
    // returns to zero.
    void topLevelCreated() noexcept { ++topLevels_; }
    void topLevelDestroyed() noexcept;

private:
    Font defaultFont_;
    int topLevels_ = 0;
    bool oleReady_ = false;
};

} // namespace ledgerine::gui::win32
