#pragma once

// What the process must settle before its application object exists: the windowing platform
// and Qt's high-DPI scaling.
class DisplaySetup
{
public:
    // Call before constructing QApplication.
    static void BeforeApplication();
    // Variables the platform plugin reads at start-up; a value the user set always wins:
    // - Qt 5 cannot set a window's opacity on Wayland, so a Wayland session with XWayland at
    //   hand runs on xcb (QT_QPA_PLATFORM).
    // - Nothing here is drawn with OpenGL, yet Qt 5's xcb plugin sets up GLX at start-up and so
    //   loads the whole GL driver, half the resident size; QT_XCB_GL_INTEGRATION=none spares it.
    // - On Windows the plugins beside the program are the ones loaded: QT_PLUGIN_PATH and
    //   QT_QPA_PLATFORM_PLUGIN_PATH, which belong to other programs there, are dropped. On Linux
    //   they keep their meaning, since a distribution's Qt is shared.
    static void ChoosePlatform();
};
