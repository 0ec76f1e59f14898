#include "platform/pointer_settings.h"

#include <windows.h>

namespace velotap {

int32_t DoubleClickTimeMs() {
    return static_cast<int32_t>(GetDoubleClickTime());
}

}  // namespace velotap
