// fuzz-libs: vekplatform_static
// The INI parse of files that outside programs edit: whatever the bytes, parsing never fails, and a
// document written back out reads again to the same sections, keys and values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ini.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  platform::IniDocument doc = platform::IniDocument::Parse(bytes);
  platform::IniDocument again = platform::IniDocument::Parse(doc.Serialize());
  for (const platform::IniSection& section : doc.sections) {
    for (const platform::IniEntry& entry : section.entries) {
      const platform::IniEntry* first = doc.FindEntry(section.name, entry.key);
      const platform::IniEntry* reread = again.FindEntry(section.name, entry.key);
      // Keys of a later duplicate section are not found, in either document.
      Check((first == nullptr) == (reread == nullptr));
      Check(first == nullptr || reread->value == first->value);
    }
  }
  // An edit of one key keeps every other first match as it was.
  if (!doc.sections.empty() && !doc.sections[0].entries.empty()) {
    platform::IniDocument edited = doc;
    edited.Set(doc.sections[0].name, "FuzzKey", "value");
    platform::IniDocument reread = platform::IniDocument::Parse(edited.Serialize());
    const platform::IniEntry* added = reread.FindEntry(doc.sections[0].name, "FuzzKey");
    Check(added != nullptr);
    for (const platform::IniSection& section : doc.sections) {
      for (const platform::IniEntry& entry : section.entries) {
        if (platform::IniDocument::Parse("[a]\r\n" + entry.key + "=x\r\n").FindEntry("a", "FuzzKey")) continue;
        const platform::IniEntry* before = doc.FindEntry(section.name, entry.key);
        const platform::IniEntry* after = reread.FindEntry(section.name, entry.key);
        Check((before == nullptr) == (after == nullptr));
        Check(before == nullptr || after->value == before->value);
      }
    }
  }
  return 0;
}
