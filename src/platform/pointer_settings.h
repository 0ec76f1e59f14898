#pragma once
// The desktop's pointer preferences the recorder needs.
#include <cstdint>

namespace velotap {

// The double-click time in milliseconds (win32: GetDoubleClickTime; linux: the GTK setting
// "gtk-double-click-time", read on the UI thread once the toolkit is up).
int32_t DoubleClickTimeMs();

}  // namespace velotap
