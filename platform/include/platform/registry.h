// The registry stand-in: a text file (RegistryFilePath(), env.h) in the INI shape, read and written here.
//
//   [HKEY_CLASSES_ROOT\CLSID\{9850172F-5180-4D4F-BFB6-3CB39E817481}\InprocServer32]
//   @=/opt/vek/lib/libQuillon.so
//   ThreadingModel=Apartment
//
// - A key is a section named by its full path, keys separated by "\" ("HKEY_CLASSES_ROOT\..." or
//   "SOFTWARE\..."); a trailing "\" is no part of the name, so "[SOFTWARE\A\]" and "[SOFTWARE\A]" are one key.
// - A value is a line "name=data" of its key's section. The key's default (unnamed) value, which the system's
//   registry writes as "" and shows as "(Default)", is the line "@=data": the value name "" and the name "@" are
//   the same value here. Every value is text (data that begins or ends with a blank or a quote is written in quotes,
//   so it reads back as it was).
// - Key and value names are compared without regard to ASCII case; the first section of a key that holds a value
//   gives it.
// - A key exists when it has a section or one of its sub-keys has: parents are implied and have no section of
//   their own; a key without values (such as "...\Control") is an empty section.
//
// Writing: each change, or each RegistryEdit as a whole, takes an advisory lock (flock) on the file (on its folder
// while it does not exist; files.h LockFile), reads the file, changes it and replaces it whole (temporary file + rename,
// files.h). Processes that write at once take turns and lose nothing; a write that fails leaves the previous
// file as it was. A change that changes nothing writes nothing. Deleting what is not there is success.
// Reading takes no lock: the file under the name is always a whole one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Changes applied together by one locked rewrite of the file.
class RegistryEdit {
 public:
  // Sets a value (name "" or "@": the default value), creating the key.
  void SetValue(std::string_view key, std::string_view name, std::string_view data);
  // Creates a key without values (nothing when it has a section).
  void CreateKey(std::string_view key);
  void DeleteValue(std::string_view key, std::string_view name);
  // Deletes a key with all its sub-keys.
  void DeleteKey(std::string_view key);

  bool Empty() const { return changes_.empty(); }
  // Applies every change, in order, or none: false when a name or data cannot be written (a line end in either,
  // "]" in a key, "=" in a value name, an empty key; LastError EINVAL) or the file cannot be locked, read or
  // replaced.
  bool Commit();

 private:
  enum class Kind { SetValue, CreateKey, DeleteValue, DeleteKey };
  struct Change {
    Kind kind;
    std::string key;
    std::string name = {};
    std::string data = {};
  };
  std::vector<Change> changes_;
};

// One change each, with RegistryEdit's rules.
bool RegistrySetValue(std::string_view key, std::string_view name, std::string_view data);
bool RegistryCreateKey(std::string_view key);
bool RegistryDeleteValue(std::string_view key, std::string_view name);
bool RegistryDeleteKey(std::string_view key);

// A value's data; false when the key or the value is missing or the file cannot be read.
bool RegistryReadValue(std::string_view key, std::string_view name, std::string& data);
bool RegistryKeyExists(std::string_view key);
// Names (one component each, as first written) of the direct sub-keys of key, in file order, each once.
std::vector<std::string> RegistrySubKeys(std::string_view key);

}  // namespace platform
