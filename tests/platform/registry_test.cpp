#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "platform/env.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "test_support.h"

namespace {

using testing_support::EnvVarScope;
using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

// A registry file of its own for each test.
class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::ClearFaults(); }
  TempFolder dir;
  std::string file = dir / "registry.ini";
  EnvVarScope scope{"VEK_REGISTRY", file.c_str()};
};

const char kClassKey[] = "HKEY_CLASSES_ROOT\\CLSID\\{9850172F-5180-4D4F-BFB6-3CB39E817481}";

TEST_F(RegistryTest, WritesKeysAsSectionsAndTheDefaultValueAsAt) {
  platform::RegistryEdit edit;
  edit.SetValue(kClassKey, "", "Quillon");
  edit.SetValue(std::string(kClassKey) + "\\InprocServer32", "", "/opt/lib/libQuillon.so");
  edit.SetValue(std::string(kClassKey) + "\\InprocServer32", "ThreadingModel", "Apartment");
  edit.CreateKey(std::string(kClassKey) + "\\Control");
  ASSERT_TRUE(edit.Commit());
  EXPECT_EQ(ReadRaw(file),
            "[HKEY_CLASSES_ROOT\\CLSID\\{9850172F-5180-4D4F-BFB6-3CB39E817481}]\r\n"
            "@=Quillon\r\n"
            "[HKEY_CLASSES_ROOT\\CLSID\\{9850172F-5180-4D4F-BFB6-3CB39E817481}\\InprocServer32]\r\n"
            "@=/opt/lib/libQuillon.so\r\n"
            "ThreadingModel=Apartment\r\n"
            "[HKEY_CLASSES_ROOT\\CLSID\\{9850172F-5180-4D4F-BFB6-3CB39E817481}\\Control]\r\n");

  // Read back through the registry and through the environment, names in any case, "" or "@" for the default.
  std::string data;
  ASSERT_TRUE(platform::RegistryReadValue(std::string(kClassKey) + "\\inprocserver32\\", "", data));
  EXPECT_EQ(data, "/opt/lib/libQuillon.so");
  ASSERT_TRUE(platform::RegistryReadValue(kClassKey, "@", data));
  EXPECT_EQ(data, "Quillon");
  ASSERT_TRUE(platform::CurrentEnvironment().ReadRegistry(std::string(kClassKey) + "\\InprocServer32",
                                                          "threadingmodel", data));
  EXPECT_EQ(data, "Apartment");
  ASSERT_TRUE(platform::CurrentEnvironment().ReadRegistry(kClassKey, "", data));
  EXPECT_EQ(data, "Quillon");
  EXPECT_FALSE(platform::RegistryReadValue(std::string(kClassKey) + "\\Control", "", data));
  EXPECT_TRUE(platform::RegistryKeyExists(std::string(kClassKey) + "\\Control"));
}

TEST_F(RegistryTest, KeepsWhatItDoesNotChange) {
  WriteRaw(file,
           "; settings of the estimating program\r\n"
           "[SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\]\r\n"
           "ApplicationPath=/opt/torv\r\n"
           "[SOFTWARE\\表\\]\r\n"
           "Value=trail byte\r\n");
  ASSERT_TRUE(platform::RegistrySetValue("software\\kelmora\\torvane\\data\\settings", "Extra", " blank "));
  ASSERT_TRUE(platform::RegistrySetValue("SOFTWARE\\表", "Value", "見積"));
  EXPECT_EQ(ReadRaw(file),
            "; settings of the estimating program\r\n"
            "[SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\]\r\n"
            "ApplicationPath=/opt/torv\r\n"
            "Extra=\" blank \"\r\n"
            "[SOFTWARE\\表\\]\r\n"
            "Value=見積\r\n");
  std::string data;
  ASSERT_TRUE(platform::CurrentEnvironment().ReadRegistry("SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\", "Extra",
                                                          data));
  EXPECT_EQ(data, " blank ");
}

TEST_F(RegistryTest, DeletesKeysWithTheirSubKeysOnly) {
  WriteRaw(file,
           "[R\\A]\r\n@=a\r\n"
           "[R\\A\\B]\r\nx=1\r\n"
           "[r\\a\\b\\C\\]\r\n"
           "[R\\AB]\r\n@=sibling\r\n"
           "[R\\A表\\D]\r\n@=trail byte 5C is no separator\r\n"
           "[Other]\r\n@=o\r\n");
  ASSERT_TRUE(platform::RegistryDeleteKey("R\\A\\"));
  EXPECT_EQ(ReadRaw(file),
            "[R\\AB]\r\n@=sibling\r\n"
            "[R\\A表\\D]\r\n@=trail byte 5C is no separator\r\n"
            "[Other]\r\n@=o\r\n");
  EXPECT_FALSE(platform::RegistryKeyExists("R\\A"));
  EXPECT_TRUE(platform::RegistryKeyExists("R"));

  ASSERT_TRUE(platform::RegistryDeleteValue("other", ""));
  EXPECT_TRUE(platform::RegistryKeyExists("Other"));
  std::string data;
  EXPECT_FALSE(platform::RegistryReadValue("Other", "", data));
}

TEST_F(RegistryTest, DeletingWhatIsNotThereSucceedsWithoutWriting) {
  const std::string before = "[K]\r\nv=1\r\n";
  WriteRaw(file, before);
  platform::ClearFaults();
  EXPECT_TRUE(platform::RegistryDeleteKey("None"));
  EXPECT_TRUE(platform::RegistryDeleteValue("K", "none"));
  EXPECT_TRUE(platform::RegistryDeleteValue("None", "v"));
  EXPECT_TRUE(platform::RegistrySetValue("K", "V", "1"));
  EXPECT_TRUE(platform::RegistryCreateKey("k\\"));
  EXPECT_EQ(platform::CallCount(platform::FileOp::Rename), 0);
  EXPECT_EQ(ReadRaw(file), before);
}

TEST_F(RegistryTest, ListsDirectSubKeysOnceInFileOrder) {
  WriteRaw(file,
           "[HKEY_CLASSES_ROOT\\CLSID\\{B}\\InprocServer32]\r\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{A}]\r\n"
           "[HKEY_CLASSES_ROOT\\clsid\\{b}\\ProgID]\r\n"
           "[HKEY_CLASSES_ROOT\\CLSIDX\\{C}]\r\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\表\\]\r\n"
           "[HKEY_CLASSES_ROOT\\CLSID]\r\n");
  EXPECT_EQ(platform::RegistrySubKeys("hkey_classes_root\\CLSID\\"),
            (std::vector<std::string>{"{B}", "{A}", "表"}));
  EXPECT_EQ(platform::RegistrySubKeys("HKEY_CLASSES_ROOT"), (std::vector<std::string>{"CLSID", "CLSIDX"}));
  EXPECT_TRUE(platform::RegistrySubKeys("HKEY_CLASSES_ROOT\\CLSID\\{A}").empty());
  EXPECT_TRUE(platform::RegistryKeyExists("HKEY_CLASSES_ROOT\\CLSID\\{b}"));
  EXPECT_FALSE(platform::RegistryKeyExists("HKEY_CLASSES_ROOT\\CLSID\\{C}"));
}

TEST_F(RegistryTest, RefusesWhatWouldNotReadBack) {
  const std::string before = "[K]\r\nv=1\r\n";
  struct Case {
    const char* name;
    std::string key, value, data;
  } cases[] = {
      {"EmptyKey", "", "v", "1"},
      {"OnlySeparators", "\\\\", "v", "1"},
      {"BracketInKey", "K]x", "v", "1"},
      {"LineEndInKey", "K\nx", "v", "1"},
      {"BlankAroundKey", " K", "v", "1"},
      {"EqualsInName", "K", "a=b", "1"},
      {"CommentName", "K", ";a", "1"},
      {"SectionName", "K", "[a", "1"},
      {"BlankAroundName", "K", "a ", "1"},
      {"LineEndInData", "K", "v", "a\r\nb=c"},
      {"NulInData", "K", "v", std::string("a\0b", 3)},
  };
  for (const Case& c : cases) {
    WriteRaw(file, before);
    platform::RegistryEdit edit;
    edit.SetValue("Good", "v", "1");
    edit.SetValue(c.key, c.value, c.data);
    EXPECT_FALSE(edit.Commit()) << c.name;
    EXPECT_EQ(ReadRaw(file), before) << c.name << ": nothing of the edit is written";
  }
}

TEST_F(RegistryTest, AValueHoldingANulIsAnErrorNotAShortenedValue) {
  WriteRaw(file, std::string("[K]\r\nv=ab\0cd\r\nw=ok\r\n", 20));
  std::string data = "before";
  EXPECT_FALSE(platform::RegistryReadValue("K", "v", data));
  EXPECT_EQ(platform::LastError(), EINVAL);
  EXPECT_EQ(data, "before");
  ASSERT_TRUE(platform::RegistryReadValue("K", "w", data)) << "the other values of the key read as before";
  EXPECT_EQ(data, "ok");
}

TEST_F(RegistryTest, MakesTheFolderOfANewFile) {
  std::string deep = dir / "config/vek/registry.ini";
  EnvVarScope other("VEK_REGISTRY", deep.c_str());
  ASSERT_TRUE(platform::RegistrySetValue("K", "", "v"));
  EXPECT_EQ(ReadRaw(deep), "[K]\r\n@=v\r\n");
}

TEST_F(RegistryTest, AFailedWriteLeavesThePreviousFile) {
  const std::string before = "[K]\r\nv=1\r\n";
  struct Kind {
    const char* name;
    platform::FileOp op;
  } kinds[] = {{"Open", platform::FileOp::Open},
               {"Read", platform::FileOp::Read},
               {"Write", platform::FileOp::Write},
               {"Rename", platform::FileOp::Rename}};
  for (const Kind& kind : kinds) {
    // Each call of the kind that one write makes fails in turn (the lock, the read, the temporary file...).
    for (int k = 1;; ++k) {
      const std::string when = std::string(kind.name) + " #" + std::to_string(k);
      WriteRaw(file, before);
      platform::ClearFaults();
      platform::FailNthCall(kind.op, k);
      bool written = platform::RegistrySetValue("K", "v", "2");
      int calls = platform::CallCount(kind.op);
      platform::ClearFaults();
      if (k > calls) {
        EXPECT_TRUE(written) << when;
        break;
      }
      ASSERT_LT(k, 100) << when;
      EXPECT_FALSE(written) << when;
      EXPECT_EQ(ReadRaw(file), before) << when;
      std::vector<platform::FindEntry> found;
      ASSERT_TRUE(platform::FindFiles(dir / "*", found));
      for (const platform::FindEntry& e : found) {
        EXPECT_TRUE(e.name == "." || e.name == ".." || e.name == "registry.ini") << when << ": left " << e.name;
      }
    }
  }
  EXPECT_EQ(ReadRaw(file), "[K]\r\nv=2\r\n");
}

// Processes that write at once lose nothing: each child sets values of its own, many times over.
TEST_F(RegistryTest, ProcessesWritingAtOnceLoseNothing) {
  constexpr int kChildren = 4;
  constexpr int kValues = 40;
  ASSERT_TRUE(testing_support::RunInProcessesAtOnce(kChildren, [](int c) {
    bool ok = true;
    for (int v = 0; v < kValues; ++v) {
      ok = platform::RegistrySetValue("Child" + std::to_string(c), "V" + std::to_string(v), std::to_string(v)) && ok;
    }
    return ok;
  }));
  platform::IniDocument doc;
  ASSERT_TRUE(platform::IniReadFile(file, doc));
  for (int c = 0; c < kChildren; ++c) {
    for (int v = 0; v < kValues; ++v) {
      const platform::IniEntry* e = doc.FindEntry("Child" + std::to_string(c), "V" + std::to_string(v));
      ASSERT_NE(e, nullptr) << "child " << c << " value " << v << " was lost";
      EXPECT_EQ(e->value, std::to_string(v));
    }
  }
}

}  // namespace
