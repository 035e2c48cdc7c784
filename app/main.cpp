// Program entry: creates the main window, which finds the lines, and runs the
// message loop until the window is closed.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "app/services.h"
#include "frm_main/frm_main_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&icc);

    vkm::Win32Services services;
    vkm::MainWindow window(services.platform, [&services](HWND h) { services.SetWindow(h); });
    if (!window.Create(instance)) return 1;
    window.Show(show_command);
    const int code = window.RunMessageLoop();
    return services.Exit(code, window.WorkLeftRunning());
}
