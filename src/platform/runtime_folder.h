#pragma once
#include <string>

namespace velotap {

// A folder only this user can use, for locks and sockets: "$XDG_RUNTIME_DIR" when it is a real
// folder owned by us with mode 0700, else "/tmp/velotap-UID" made so. Empty when neither works.
// (Linux only; Windows uses named kernel objects instead.)
std::string RuntimeFolder();

}  // namespace velotap
