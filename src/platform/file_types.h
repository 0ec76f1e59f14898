#pragma once
// Theme and macro files open with VelotapOpener for the current user (win32: the per-user classes
// in the registry; linux: a shared-mime-info package, a desktop entry and the default in
// mimeapps.list). Other programs' entries are never touched.
#include <string>

namespace velotap {

// The opener's file name beside VelotapApp.
const char* OpenerFileName();

// True when both types are registered to open with `openerPath`.
bool FileTypesInOrder(const std::string& openerPath);

// Writes what is not in order, each item only when it differs, and tells the desktop when done.
// The first error ends it: "Could not write the .vtptheme file association.", "Could not write
// the file type registration." or "Could not write the open command."; empty on success.
std::string RegisterFileTypes(const std::string& openerPath);

}  // namespace velotap
