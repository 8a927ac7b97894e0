// Registration of a control library into a registry file of the test's own: every key and value, removal,
// a failure at each write of the file, and processes registering at once.
#include "platform/com/registration.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fakes.h"
#include "platform/com/host.h"
#include "platform/com/type_info.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "test_control_library.h"
#include "test_support.h"

namespace {

using namespace platform::com;
using namespace test_control;
using testing_support::EnvVarScope;
using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

using Values = std::vector<std::pair<std::string, std::string>>;
using Section = std::pair<std::string, Values>;

std::vector<Section> SectionsOf(const std::string& bytes) {
  std::vector<Section> sections;
  for (const platform::IniSection& s : platform::IniDocument::Parse(bytes).sections) {
    Values values;
    for (const platform::IniEntry& e : s.entries) values.emplace_back(e.key, e.value);
    sections.emplace_back(s.name, values);
  }
  return sections;
}

const std::string kInitial =
    "; the estimating program's settings stay\r\n"
    "[SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\]\r\n"
    "ApplicationPath=/opt/torv\r\n";

const std::string kControlKey = "HKEY_CLASSES_ROOT\\CLSID\\{5D0F3C11-6A2B-4E7C-9B1D-2F8E4A6C0B71}";
const std::string kPageKey = "HKEY_CLASSES_ROOT\\CLSID\\{5D0F3C12-6A2B-4E7C-9B1D-2F8E4A6C0B71}";
const std::string kLibKey = "HKEY_CLASSES_ROOT\\TypeLib\\{5D0F3C13-6A2B-4E7C-9B1D-2F8E4A6C0B71}\\1.0";
const std::string kControlProgIdKey = "HKEY_CLASSES_ROOT\\VekComTest.TestCtrl.1";
const std::string kInitCategory = "{7DD95802-9882-11CF-9FA9-00AA006C42C4}";
const std::string kScriptCategory = "{7DD95801-9882-11CF-9FA9-00AA006C42C4}";

// What each write of the registration adds, in order: the type library, the two classes, the two categories,
// and the control's two implemented categories.
std::vector<std::vector<Section>> RegistrationWrites() {
  const std::string path = LibraryPath();
  return {
      {{kLibKey, {{"@", "VekComTestLib"}}},
       {kLibKey + "\\FLAGS", {{"@", "0"}}},
       {kLibKey + "\\0\\win32", {{"@", path}}},
       {kLibKey + "\\HELPDIR", {{"@", TEST_CONTROL_DIR}}}},
      {{kControlKey, {{"@", "VekComTest"}}},
       {kControlKey + "\\ProgID", {{"@", "VekComTest.TestCtrl.1"}}},
       {kControlKey + "\\InprocServer32", {{"@", path}, {"ThreadingModel", "Apartment"}}},
       {kControlKey + "\\Control", {}},
       {kControlKey + "\\MiscStatus", {{"@", "0"}}},
       {kControlKey + "\\MiscStatus\\1", {{"@", "131473"}}},
       {kControlKey + "\\ToolboxBitmap32", {{"@", path + ", 1"}}},
       {kControlKey + "\\TypeLib", {{"@", "{5D0F3C13-6A2B-4E7C-9B1D-2F8E4A6C0B71}"}}},
       {kControlProgIdKey, {{"@", "VekComTest"}}},
       {kControlProgIdKey + "\\CLSID", {{"@", "{5D0F3C11-6A2B-4E7C-9B1D-2F8E4A6C0B71}"}}}},
      {{kPageKey, {{"@", "VekComTest Property Page"}}},
       {kPageKey + "\\ProgID", {{"@", "VekComTest.TestPropPage.1"}}},
       {kPageKey + "\\InprocServer32", {{"@", path}}},
       {"HKEY_CLASSES_ROOT\\VekComTest.TestPropPage.1", {{"@", "VekComTest Property Page"}}},
       {"HKEY_CLASSES_ROOT\\VekComTest.TestPropPage.1\\CLSID", {{"@", "{5D0F3C12-6A2B-4E7C-9B1D-2F8E4A6C0B71}"}}}},
      {{"HKEY_CLASSES_ROOT\\Component Categories\\" + kInitCategory,
        {{"409", "Controls safely initializable from persistent data!"}}}},
      {{"HKEY_CLASSES_ROOT\\Component Categories\\" + kScriptCategory, {{"409", "Controls safely scriptable!"}}}},
      {{kControlKey + "\\Implemented Categories\\" + kInitCategory, {}}},
      {{kControlKey + "\\Implemented Categories\\" + kScriptCategory, {}}},
  };
}

// The file's sections after the first n writes of the registration.
std::vector<Section> AfterWrites(std::size_t n) {
  std::vector<Section> all = SectionsOf(kInitial);
  std::vector<std::vector<Section>> writes = RegistrationWrites();
  for (std::size_t i = 0; i < n; ++i) all.insert(all.end(), writes[i].begin(), writes[i].end());
  return all;
}

bool IsUnder(const std::string& name, const std::string& key) {
  return name == key || name.rfind(key + "\\", 0) == 0;
}

std::vector<Section> Without(std::vector<Section> sections, const std::vector<std::string>& keys) {
  std::erase_if(sections, [&keys](const Section& s) {
    for (const std::string& k : keys) {
      if (IsUnder(s.first, k)) return true;
    }
    return false;
  });
  return sections;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::ClearFaults();
    FreeUnusedLibraries();
  }

  // Nothing but the file itself and the registry file's neighbours of the test were left.
  void ExpectNoTemporaryFiles(const std::string& when) {
    std::vector<platform::FindEntry> found;
    ASSERT_TRUE(platform::FindFiles(dir / "*", found));
    for (const platform::FindEntry& e : found) {
      EXPECT_TRUE(e.name == "." || e.name == ".." || e.name == "registry.ini")
          << when << ": left " << e.name;
    }
  }

  TempFolder dir;
  std::string file = dir / "registry.ini";
  EnvVarScope scope{"VEK_REGISTRY", file.c_str()};
  Library lib;
};

TEST_F(RegistrationTest, WritesEveryKeyAndValueAndTheHostFindsTheClass) {
  WriteRaw(file, kInitial);
  ComPtr<IDispatch> control;
  EXPECT_EQ(CreateInstance(kProgIdControl, control), CO_E_CLASSSTRING);
  EXPECT_EQ(CreateInstance(kClsidControl, control), REGDB_E_CLASSNOTREG);

  ASSERT_EQ(lib.registerServer(), S_OK);
  EXPECT_EQ(SectionsOf(ReadRaw(file)), AfterWrites(RegistrationWrites().size()));
  EXPECT_EQ(ReadRaw(file).rfind(kInitial, 0), 0u) << "the lines before stay as they were";

  for (const char* name : {kProgIdControl, "5d0f3c11-6a2b-4e7c-9b1d-2f8e4a6c0b71",
                           "{5D0F3C11-6A2B-4E7C-9B1D-2F8E4A6C0B71}"}) {
    ComPtr<IDispatch> created;
    ASSERT_EQ(CreateInstance(name, created), S_OK) << name;
    Variant status;
    EXPECT_EQ(InvokeByName(created.Get(), "GetStatus", DISPATCH_METHOD, {}, &status), S_OK) << name;
  }
  ComPtr<IDispatch> page;
  EXPECT_EQ(CreateInstance(kProgIdPage, page), S_OK);
  EXPECT_EQ(CreateInstance("VekComTest.NoSuch.1", page), CO_E_CLASSSTRING);
  EXPECT_EQ(CreateInstance("VekComTest.TestCtrl.1\\CLSID", page), CO_E_CLASSSTRING);

  // Registering again changes nothing.
  std::string once = ReadRaw(file);
  ASSERT_EQ(lib.registerServer(), S_OK);
  EXPECT_EQ(ReadRaw(file), once);
}

TEST_F(RegistrationTest, UnregistrationKeepsTheCategories) {
  WriteRaw(file, kInitial);
  ASSERT_EQ(lib.registerServer(), S_OK);
  ASSERT_EQ(lib.unregisterServer(), S_OK);
  std::vector<std::vector<Section>> writes = RegistrationWrites();
  std::vector<Section> expected = SectionsOf(kInitial);
  expected.push_back(writes[3][0]);
  expected.push_back(writes[4][0]);
  EXPECT_EQ(SectionsOf(ReadRaw(file)), expected);
  ComPtr<IDispatch> control;
  EXPECT_EQ(CreateInstance(kClsidControl, control), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CreateInstance(kProgIdControl, control), CO_E_CLASSSTRING);

  // What is not registered counts as removed.
  std::string before = ReadRaw(file);
  EXPECT_EQ(lib.unregisterServer(), S_OK);
  EXPECT_EQ(ReadRaw(file), before);
  std::remove(file.c_str());
  EXPECT_EQ(lib.unregisterServer(), S_OK);
}

TEST_F(RegistrationTest, UnregistrationLeavesAProgIdThatAnotherClassTook) {
  ASSERT_EQ(lib.registerServer(), S_OK);
  ASSERT_TRUE(platform::RegistrySetValue(kControlProgIdKey + "\\CLSID", "", "{00000000-0000-0000-0000-00000000000A}"));
  ASSERT_EQ(lib.unregisterServer(), S_OK);
  EXPECT_FALSE(platform::RegistryKeyExists(kControlKey));
  std::string clsid;
  ASSERT_TRUE(platform::RegistryReadValue(kControlProgIdKey + "\\CLSID", "", clsid));
  EXPECT_EQ(clsid, "{00000000-0000-0000-0000-00000000000A}");
  EXPECT_FALSE(platform::RegistryKeyExists("HKEY_CLASSES_ROOT\\VekComTest.TestPropPage.1"));
}

// A failure at any file operation of any write: the result tells the step (the type library's, or a class's or
// a category's), the file holds exactly the writes before it, whole, and no temporary file stays.
TEST_F(RegistrationTest, AFailureAtEachWriteLeavesTheFileWellFormed) {
  const std::size_t writes = RegistrationWrites().size();
  struct Kind {
    const char* name;
    platform::FileOp op;
  } kinds[] = {{"Open", platform::FileOp::Open},
               {"Read", platform::FileOp::Read},
               {"Write", platform::FileOp::Write},
               {"Rename", platform::FileOp::Rename}};
  for (const Kind& kind : kinds) {
    std::set<std::size_t> landed;
    for (int k = 1;; ++k) {
      std::string when = std::string(kind.name) + " #" + std::to_string(k);
      WriteRaw(file, kInitial);
      platform::ClearFaults();
      platform::FailNthCall(kind.op, k);
      HRESULT hr = lib.registerServer();
      int calls = platform::CallCount(kind.op);
      platform::ClearFaults();
      if (k > calls) {
        EXPECT_EQ(hr, S_OK) << when;
        break;
      }
      ASSERT_LT(k, 1000) << when;
      std::vector<Section> now = SectionsOf(ReadRaw(file));
      std::size_t n = 0;
      while (n < writes && now != AfterWrites(n)) ++n;
      ASSERT_LT(n, writes) << when << ": the file holds no whole sequence of writes";
      EXPECT_EQ(hr, n == 0 ? SELFREG_E_TYPELIB : SELFREG_E_CLASS) << when;
      landed.insert(n);
      ExpectNoTemporaryFiles(when);
    }
    if (kind.op == platform::FileOp::Rename) {
      EXPECT_EQ(landed.size(), writes) << "a failure was injected into each write";
    }
  }
}

TEST_F(RegistrationTest, AFailureAtEachRemovalLeavesTheFileWellFormed) {
  WriteRaw(file, kInitial);
  ASSERT_EQ(lib.registerServer(), S_OK);
  const std::string registered = ReadRaw(file);
  const std::vector<Section> full = SectionsOf(registered);
  // The states after each removal, and the result of a failure in the next one.
  const std::vector<std::pair<std::vector<Section>, HRESULT>> states = {
      {full, SELFREG_E_TYPELIB},
      {Without(full, {kLibKey}), SELFREG_E_CLASS},
      {Without(full, {kLibKey, kControlKey, kControlProgIdKey}), SELFREG_E_CLASS},
  };
  std::set<std::size_t> reached;
  for (int k = 1;; ++k) {
    std::string when = "Rename #" + std::to_string(k);
    WriteRaw(file, registered);
    platform::ClearFaults();
    platform::FailNthCall(platform::FileOp::Rename, k);
    HRESULT hr = lib.unregisterServer();
    int calls = platform::CallCount(platform::FileOp::Rename);
    platform::ClearFaults();
    if (k > calls) {
      EXPECT_EQ(hr, S_OK) << when;
      break;
    }
    std::vector<Section> now = SectionsOf(ReadRaw(file));
    std::size_t n = 0;
    while (n < states.size() && now != states[n].first) ++n;
    ASSERT_LT(n, states.size()) << when << ": the file holds no whole sequence of removals";
    EXPECT_EQ(hr, states[n].second) << when;
    reached.insert(n);
    ExpectNoTemporaryFiles(when);
  }
  EXPECT_EQ(reached.size(), states.size());
}

// Two modules of their own, registered by two processes at once, round after round: both land whole.
TEST_F(RegistrationTest, TwoProcessesRegisteringAtOnceBothLand) {
  auto info = [](std::uint32_t base, const TypeLib* lib) {
    ModuleInfo m{{}, lib, {{kCatidSafeForScripting, "Controls safely scriptable!"}}};
    for (std::uint32_t i = 0; i < 3; ++i) {
      GUID clsid = MakeGuid("{00000000-0000-4000-8000-000000000000}");
      clsid.Data1 = base + i;
      m.classes.push_back({.clsid = clsid,
                           .progId = "Race" + std::to_string(base + i) + ".Ctrl.1",
                           .typeName = "Race",
                           .miscStatus = 0x20191,
                           .isControl = true,
                           .categories = {kCatidSafeForScripting}});
    }
    return m;
  };
  TypeLib libA{MakeGuid("{0000000A-0000-4000-8000-000000000000}"), 1, 0, "A", {}, {}};
  TypeLib libB{MakeGuid("{0000000B-0000-4000-8000-000000000000}"), 1, 0, "B", {}, {}};
  const std::pair<ModuleInfo, std::string> modules[] = {{info(0x100, &libA), "/opt/a/libA.so"},
                                                        {info(0x200, &libB), "/opt/b/libB.so"}};
  for (int round = 0; round < 20; ++round) {
    std::remove(file.c_str());
    ASSERT_TRUE(testing_support::RunInProcessesAtOnce(2, [&modules](int i) {
      return RegisterModule(modules[i].first, modules[i].second) == S_OK;
    })) << "round " << round;
    for (const auto& [module, path] : modules) {
      std::string data;
      ASSERT_TRUE(platform::RegistryReadValue(TypeLibKey(*module.typeLib) + "\\0\\win32", "", data)) << round;
      EXPECT_EQ(data, path);
      for (const ClassEntry& c : module.classes) {
        ASSERT_TRUE(platform::RegistryReadValue(ClassKey(c.clsid) + "\\InprocServer32", "", data)) << round;
        EXPECT_EQ(data, path);
        ASSERT_TRUE(platform::RegistryReadValue(ProgIdKey(c.progId) + "\\CLSID", "", data)) << round;
        EXPECT_EQ(data, FormatGuid(c.clsid));
        EXPECT_TRUE(platform::RegistryKeyExists(ClassKey(c.clsid) + "\\Implemented Categories\\" + kScriptCategory))
            << round;
      }
    }
  }
}

const TypeLib kNoLib{MakeGuid("{00000003-0000-4000-8000-000000000000}"), 1, 0, "None", {}, {}};

TEST_F(RegistrationTest, WritesWhatEachClassSays) {
  const GUID clsid = MakeGuid("{00000001-0000-4000-8000-000000000000}");
  const GUID category = MakeGuid("{00000002-0000-4000-8000-000000000000}");
  // 130 characters, double-byte ones among them: cut to 127 characters, not bytes.
  std::string description;
  for (int i = 0; i < 65; ++i) description += "見a";
  ModuleInfo m{{{.clsid = clsid, .typeName = "Free", .threading = ThreadingModel::Free}},
               nullptr,
               {{category, description, 0x411}}};
  ASSERT_EQ(RegisterModule(m, "/opt/libFree.so"), S_OK);
  std::string data;
  ASSERT_TRUE(platform::RegistryReadValue(ClassKey(clsid) + "\\InprocServer32", "ThreadingModel", data));
  EXPECT_EQ(data, "Free");
  EXPECT_FALSE(platform::RegistryKeyExists(ClassKey(clsid) + "\\Control")) << "not a control";
  EXPECT_FALSE(platform::RegistryKeyExists(ClassKey(clsid) + "\\ProgID"));
  ASSERT_TRUE(platform::RegistryReadValue(CategoryKey(category), "411", data));
  std::string expected;
  for (int i = 0; i < 63; ++i) expected += "見a";
  expected += "見";
  EXPECT_EQ(data, expected);

  // Registered again without a threading model, the class keeps none.
  m.classes[0].threading = ThreadingModel::None;
  ASSERT_EQ(RegisterModule(m, "/opt/libFree.so"), S_OK);
  EXPECT_FALSE(platform::RegistryReadValue(ClassKey(clsid) + "\\InprocServer32", "ThreadingModel", data));

  std::string before = ReadRaw(file);
  EXPECT_EQ(RegisterModule(m, "libFree.so"), SELFREG_E_CLASS) << "a path that is not absolute";
  m.typeLib = &kNoLib;
  EXPECT_EQ(RegisterModule(m, ""), SELFREG_E_TYPELIB);
  m.typeLib = nullptr;
  m.classes[0].progId = "Bad\\ProgID";
  EXPECT_EQ(RegisterModule(m, "/opt/libFree.so"), SELFREG_E_CLASS);
  m.classes[0].progId = "Bad]ProgID";
  EXPECT_EQ(RegisterModule(m, "/opt/libFree.so"), SELFREG_E_CLASS);
  EXPECT_EQ(ReadRaw(file), before);
}

}  // namespace
