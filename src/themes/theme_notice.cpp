#include "themes/theme_notice.h"

namespace velotap {

void SendThemeNotice(const std::vector<uint32_t>& panelProcessIds, Desktop& desktop,
                     WindowMessenger& messenger) {
    for (uint32_t pid : panelProcessIds) {
        if (std::optional<WindowHandle> window = desktop.FindVisibleTopLevelOfProcess(pid)) {
            messenger.Post(*window, kThemeNoticeMessage, 0, 0);
        }
    }
}

void SendThemeNotice(const std::vector<uint32_t>& panelProcessIds) {
    if (panelProcessIds.empty()) return;
    std::unique_ptr<Desktop> desktop = ConnectDesktop();
    std::unique_ptr<WindowMessenger> messenger = ConnectWindowMessenger();
    if (desktop && messenger) SendThemeNotice(panelProcessIds, *desktop, *messenger);
}

}  // namespace velotap
