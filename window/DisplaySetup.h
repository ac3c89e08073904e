#pragma once

// What the process must settle before its application object exists: the windowing platform
// and Qt's high-DPI scaling.
class DisplaySetup
{
public:
    // Call before constructing QApplication.
    static void BeforeApplication();
    // Qt 5 cannot set a window's opacity on Wayland, so a Wayland session with XWayland at hand
    // runs on xcb. A platform the user chose (QT_QPA_PLATFORM) is left alone.
    static void PreferXcbOnWayland();
};
