// What the host machine tells: folders, process, OS version, screen, and the registry stand-in.
#pragma once

#include <string>

namespace platform {

// CommonDocuments: the documents folder shared by all users ($VEK_COMMON_DOCUMENTS, else /var/lib/vek/Documents).
enum class SpecialFolder { Profile, LocalAppDataLow, AppData, Desktop, Personal, Windows, System, CommonDocuments };

class Environment {
 public:
  virtual ~Environment() = default;
  virtual std::string TempFolder() = 0;     // CP932, without a trailing delimiter
  virtual std::string ProfileFolder() = 0;  // CP932
  virtual int ProcessId() = 0;
  virtual void OsVersion(int& major, int& minor, int& build) = 0;
  virtual int ScreenDpiX() = 0;
  virtual int ScreenDpiY() = 0;
  virtual std::string GetSpecialFolder(SpecialFolder which) = 0;  // empty when unknown
  // A value of a registry key such as "SOFTWARE\Kelmora\Torvane\Data\Settings\" (value "" : the key's default
  // value); false when missing. The system's answer reads the registry stand-in (registry.h).
  virtual bool ReadRegistry(const std::string& key, const std::string& value, std::string& out) = 0;
  // Folder of the host program's file (the executable of the process), CP932, without a trailing delimiter.
  virtual std::string HostProgramFolder();
};

// The environment every part uses; nullptr restores the real one.
void SetEnvironment(Environment* env);
Environment& CurrentEnvironment();

// The screen's DPI that the system's environment reports, horizontally and vertically: 96 unless a host program
// that plays pages at another resolution sets it, before it makes any window. Values below 1 give 96.
void SetScreenDpi(int dpi);

// The file of the registry stand-in: $VEK_REGISTRY, else $XDG_CONFIG_HOME/vek/registry.ini, else
// $HOME/.config/vek/registry.ini. Each key is a section, each value a key of it (registry.h).
std::string RegistryFilePath();

}  // namespace platform
