/* Loaded into the process that shows a message box, as a hook on the box's
 * thread. Icon handles belong to the process that loaded them, so only there
 * can the box's icon be compared with the system's standard icons. The driver
 * sends the box the request message with the icon control's id as wParam;
 * the answer is left in a window property, which any process can read. */
#include <windows.h>

#include "box_icon_hook.h"

__declspec(dllexport) LRESULT CALLBACK ReadBoxIconHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* message = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && message->message == RegisterWindowMessageA(BOX_ICON_REQUEST)) {
        static const struct {
            LPCSTR id;
            INT_PTR answer;
        } standard[] = {
            {IDI_INFORMATION, BOX_ICON_INFORMATION},
            {IDI_WARNING, BOX_ICON_WARNING},
            {IDI_ERROR, BOX_ICON_ERROR},
            {IDI_QUESTION, BOX_ICON_QUESTION},
        };
        HICON shown = (HICON)SendDlgItemMessageA(message->hwnd, (int)message->wParam, STM_GETICON,
                                                 0, 0);
        INT_PTR answer = shown == NULL ? BOX_ICON_NONE : BOX_ICON_OTHER;
        for (size_t index = 0; shown != NULL && index < sizeof standard / sizeof standard[0]; ++index) {
            /* Shared icons: the same handle for every load in one process. */
            if (LoadIconA(NULL, standard[index].id) == shown)
                answer = standard[index].answer;
        }
        SetPropA(message->hwnd, BOX_ICON_PROPERTY, (HANDLE)answer);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
