#pragma once
#include <string>

namespace velotap {

// The program's private folder for locks, sockets and downloads: "$XDG_RUNTIME_DIR/Velotap" when
// the runtime folder is a real folder owned by us with mode 0700, else "/tmp/velotap-UID". Either
// is made with mode 0700 when missing and used only when it is a real folder (not a link) owned by
// us that no one else can enter. Empty when neither is. (Linux only; Windows uses named kernel
// objects instead.)
std::string RuntimeFolder();

}  // namespace velotap
