#include "platform/win32/win32_drop_files.h"

namespace velotap {

void AcceptDroppedFiles(HWND window) {
    DragAcceptFiles(window, TRUE);
    constexpr UINT kCopyGlobalData = 0x0049;
    for (UINT message :
         {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData}) {
        ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
    }
}

std::vector<std::string> TakeDroppedFiles(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char buffer[MAX_PATH];
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        if (length < MAX_PATH) {
            const UINT n = DragQueryFileA(drop, i, buffer, MAX_PATH);
            paths.emplace_back(buffer, n);
        } else {
            std::string whole(length + 1, '\0');
            whole.resize(DragQueryFileA(drop, i, whole.data(), length + 1));
            paths.push_back(std::move(whole));
        }
    }
    DragFinish(drop);
    return paths;
}

}  // namespace velotap
