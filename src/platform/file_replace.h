#pragma once
// Whole-file replacement that a crash or power cut cannot leave half written.
#include <string>
#include <string_view>
#include <vector>

namespace velotap {

// Writes `bytes` to the sibling `path + ".tmp"`, forces it to the disk, then gives it the name
// `path` in one step (and, where the system needs it, makes that rename itself durable). A reader
// or a crash at any moment finds either the old file whole or the new one whole. False when a step
// fails: the old file is then untouched and the temporary removed. Callers that write the same
// path from several threads serialise their calls (they share the temporary).
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

// The same replacement without forcing the bytes to the disk: for files rewritten again and again
// that only mirror state kept elsewhere. A crash may leave the old file, never a half-written one.
bool ReplaceFileQuickly(const std::string& path, std::string_view bytes);
// The same with the text given in pieces, written one after another.
bool ReplaceFileQuickly(const std::string& path, const std::vector<std::string_view>& pieces);

// Files in the data folder hold recorded keystrokes. Where the system has owner-only modes
// (linux), `path` becomes 0700 when it is a folder and 0600 when it is a file; symbolic links are
// left alone. On Windows the per-user folder's access list already keeps them to the user.
void MakeOwnerOnly(const std::string& path);

}  // namespace velotap
