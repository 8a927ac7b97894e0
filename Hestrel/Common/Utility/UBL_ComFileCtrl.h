// File helpers of the library: deleting a folder tree or a file as the shell does (no questions, read-only
// entries included), and testing that a file exists.
#pragma once

#include <string>

namespace hestrel {

// -1 for a null folder; 0 when it does not exist or was deleted; the system's error when the delete fails;
// -2 when the folder still exists afterwards.
int OvDirectoryDelete(const char* folder);
// A file (not a folder) of that name exists.
bool OvFileExists(const std::string& file);
// -2 for an empty name; -3 when the file is missing; 0 when deleted, else the system's error.
int OvForceFileDelete(const std::string& file);

}  // namespace hestrel
