#pragma once
#include "platform/window_host.h"

namespace velotap {

// The program's icon drawn at `size` pixels: a blue disc with a white target ring and pointer dot.
IconImage DrawAppIcon(int size);

}  // namespace velotap
