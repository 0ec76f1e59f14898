#pragma once
// Whole-file replacement that a crash or power cut cannot leave half written.
#include <string>
#include <string_view>

namespace velotap {

// Writes `bytes` to the sibling `path + ".tmp"`, forces it to the disk, then gives it the name
// `path` in one step (and, where the system needs it, makes that rename itself durable). A reader
// or a crash at any moment finds either the old file whole or the new one whole. False when a step
// fails: the old file is then untouched and the temporary removed. Callers that write the same
// path from several threads serialise their calls (they share the temporary).
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace velotap
