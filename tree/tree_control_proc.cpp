#include "tree/note_tree.h"

#include "base/shell_services.h"
#include "shell/app_state.h"

LRESULT CALLBACK TreeControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN) {
        // A tap-and-hold opens the main window's menu for the item already
        // selected, so the control never sees this press.
        if (IsTapAndHold(window, lParam)) {
            SendMessageW(app.mainWindow, WM_LBUTTONDOWN, wParam, lParam);
            return 1;
        }
    }
    return CallWindowProcW(app.treeDefaultProc, window, message, wParam, lParam);
}
