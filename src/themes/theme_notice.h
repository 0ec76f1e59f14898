#pragma once
// The theme notice: tells every pop-out panel process that the theme changed, so it rescans the
// themes folder and restyles its page.
#include <cstdint>
#include <vector>

#include "platform/desktop.h"
#include "platform/window_message.h"

namespace velotap {

inline constexpr uint32_t kThemeNoticeMessage = 0x8064;  // WM_APP + 100

// Posts the notice, both parameters 0, to the first visible top-level window of each process.
void SendThemeNotice(const std::vector<uint32_t>& panelProcessIds, Desktop& desktop,
                     WindowMessenger& messenger);
// The same through this desktop's own connections; nothing is opened when there are no panels.
void SendThemeNotice(const std::vector<uint32_t>& panelProcessIds);

}  // namespace velotap
