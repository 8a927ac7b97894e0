// vekpage end to end: the photo control on pages the tests write, driven by scripts; what it prints, the files
// it writes and its exit codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/hresult.h"
#include "platform/module.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "test_support.h"
#include "vekpage_process.h"

namespace {

using pagehost_test::RunVekpage;
using pagehost_test::VekpageRun;
using testing_support::TempFolder;

const char* const kStatus1 = "{\"object\":\"Quillon1\",\"event\":\"OnStatusChanged\",\"args\":[1,\"\"]}";

std::string Utf8(const std::string& cp932) {
  std::string out;
  EXPECT_TRUE(platform::Cp932ToUtf8(cp932, out));
  return out;
}

// A page with the photo control and its params (CP932 text, no charset: read as Shift_JIS).
std::string QuillonPage(const std::string& funcId, const std::string& id = "Quillon1") {
  return "<html><body>\n<object id=\"" + id +
         "\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\" width=800 height=600>\n"
         "<param name=\"FuncID\" value=\"" + funcId + "\">\n"
         "<param name=\"ImageFolder\" value=\"/tmp\">\n"
         // However many photographs /tmp holds, the form asks nothing.
         "<param name=\"MaxViewFileNum\" value=\"100000\">\n"
         "<param name=\"MaxByte\" value=\"2048\">\n"
         "</object>\n</body></html>\n";
}

class VekpageTest : public testing::Test {
 protected:
  TempFolder folder;
  std::string registry = folder / "registry.ini";  // empty: nothing registered

  VekpageRun Run(const std::string& page, const std::string& script, std::vector<std::string> extra = {}) {
    testing_support::WriteRaw(folder / "page.html", page);
    std::vector<std::string> args{"page.html"};
    if (!script.empty()) {
      testing_support::WriteRaw(folder / "script.txt", script);
      args.push_back("--script");
      args.push_back("script.txt");
    }
    args.insert(args.end(), extra.begin(), extra.end());
    return RunVekpage(folder.path(), args, registry);
  }
};

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

TEST_F(VekpageTest, ThePhotoControlReportsStatus1ForFuncId0And3) {
  for (const char* funcId : {"0", "3"}) {
    SCOPED_TRACE(funcId);
    VekpageRun run = Run(QuillonPage(funcId), "wait Quillon1 OnStatusChanged 1\ninvoke Quillon1 GetStatus\nquit\n");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.lines, (std::vector<std::string>{kStatus1, "{\"result\":1}"}));
    EXPECT_NE(run.errors.find("from Quillon.dll"), std::string::npos) << run.errors;
  }
}

TEST_F(VekpageTest, ShotWritesTheFormOfMode0AsPng) {
  VekpageRun run = Run(QuillonPage("0"), "shot Quillon1 form\n", {"--shots", "shots"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  std::string png = testing_support::ReadRaw(folder / "shots/form.png");
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n");
  auto be32 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24 |
           static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16 |
           static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8 |
           static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
  };
  // The whole form (640 x 836 dialog units), taller than wide, not a corner of it.
  EXPECT_GT(be32(16), 1000u);
  EXPECT_GT(be32(20), be32(16));
}

// The screen's DPI of the option reaches the controls: at 120 the photo form is made from its large-font
// template. The pictures stay in the build for people to look at.
TEST_F(VekpageTest, TheDpiOptionShowsThePhotoFormAtEitherResolution) {
  const std::string shots = testing_support::ShotsFolder("pagehost");
  std::filesystem::create_directories(folder / "photos");
  std::string page = QuillonPage("0");
  page.replace(page.find("value=\"/tmp\""), 13, "value=\"" + folder / "photos" + "\"");
  // The picture's width and height from its header, "WxH".
  auto size = [](const std::string& png) {
    if (png.size() < 24) return std::string();
    auto be16 = [&](std::size_t at) {
      return std::to_string(static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 8 |
                            static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])));
    };
    return be16(18) + "x" + be16(22);
  };
  std::string sizes[2];
  int i = 0;
  for (const char* dpi : {"96", "120"}) {
    SCOPED_TRACE(dpi);
    const std::string name = std::string("photo-form-") + dpi;
    VekpageRun run = Run(page, "wait Quillon1 OnStatusChanged 1\nshot Quillon1 " + name + "\nquit\n",
                         {"--shots", shots, "--dpi", dpi});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    sizes[i++] = size(testing_support::ReadRaw(shots + "/" + name + ".png"));
  }
  // The base units of the large-font template's 9 points at 120 DPI differ from those of 12 points at 96.
  EXPECT_FALSE(sizes[0].empty());
  EXPECT_NE(sizes[0], sizes[1]) << "the same template at both resolutions";
  for (const char* bad : {"0", "95.5", "x", "1000"}) {
    SCOPED_TRACE(bad);
    VekpageRun run = Run(page, "quit\n", {"--dpi", bad});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.lines.back().find("--dpi wants a whole number"), std::string::npos) << run.lines.back();
  }
}

TEST_F(VekpageTest, AModalDialogOfAStepTakesTheNextSteps) {
  // The about box runs modally inside the invocation; the shot and the click reach it, and the invocation
  // answers once it is closed.
  VekpageRun run = Run(QuillonPage("0"),
                       "invoke Quillon1 AboutBox\nshot Quillon1 about\nclick Quillon1 1\ninvoke Quillon1 GetStatus\n",
                       {"--shots", "."});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.lines, (std::vector<std::string>{kStatus1, "{\"result\":null}", "{\"result\":1}"}));
  EXPECT_GT(testing_support::ReadRaw(folder / "about.png").size(), 100u);
  // quit with the box still open ends it and the run.
  run = Run(QuillonPage("0"), "invoke Quillon1 AboutBox\nquit\nshot Quillon1 never\n");
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_TRUE(testing_support::ReadRaw(folder / "never.png").empty());
}

TEST_F(VekpageTest, WaitTakesEachEventOnceAndTimesOutWithCode4) {
  struct Row {
    const char* name;
    const char* script;
    int exitCode;
  };
  const Row rows[] = {
      {"first event", "wait Quillon1 OnStatusChanged\n", 0},
      {"the name without regard to case", "wait Quillon1 onstatuschanged 1\n", 0},
      {"taken already", "wait Quillon1 OnStatusChanged 1\nwait Quillon1 OnStatusChanged\n", 4},
      {"another value", "wait Quillon1 OnStatusChanged 3\n", 4},
      {"never fired", "wait Quillon1 OnClickedReturnBtn\n", 4},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    VekpageRun run = Run(QuillonPage("0"), r.script, {"--timeout", "0.3"});
    EXPECT_EQ(run.exitCode, r.exitCode) << run.errors;
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.front(), kStatus1);
    if (r.exitCode == 4) {
      EXPECT_TRUE(StartsWith(run.lines.back(), "{\"error\":\"line ")) << run.lines.back();
    }
  }
}

TEST_F(VekpageTest, ScriptMistakesEndWithCode3AndTheirLine) {
  struct Row {
    const char* name;
    const char* script;
    const char* error;  // the start of the error line
  };
  const Row rows[] = {
      {"unknown command", "wait Quillon1 OnStatusChanged\nclik Quillon1 1\n", "{\"error\":\"line 2: unknown command"},
      {"unknown object", "click Quillon2 1\n", "{\"error\":\"line 1: the page has no object \\\"Quillon2\\\""},
      {"unknown event", "wait Quillon1 OnNothing\n", "{\"error\":\"line 1: Quillon1 has no event OnNothing"},
      {"missing control", "click Quillon1 99999\n", "{\"error\":\"line 1: click Quillon1: no control 99999"},
      {"no such combo entry", "select Quillon1 431 4\n", "{\"error\":\"line 1: select Quillon1: combo box 431"},
      {"unknown member", "invoke Quillon1 NoSuchMember\n", "{\"error\":\"line 1: invoke Quillon1: NoSuchMember: 0x80020006"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    VekpageRun run = Run(QuillonPage("0"), r.script);
    EXPECT_EQ(run.exitCode, 3) << run.errors;
    ASSERT_FALSE(run.lines.empty());
    EXPECT_TRUE(StartsWith(run.lines.back(), r.error)) << run.lines.back();
  }
}

TEST_F(VekpageTest, StepsAPersonCouldTakeRunToTheEnd) {
  // Without quit the run ends with the script, the controls destroyed.
  VekpageRun run = Run(QuillonPage("0"),
                       "# a person's steps on the form\nselect Quillon1 431 2\ntext Quillon1 206 /tmp\n"
                       "key Quillon1 37\nkey Quillon1 67 ctrl\npause 20\nanswer OK\nfile cancel\n");
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.lines, (std::vector<std::string>{kStatus1}));
}

TEST_F(VekpageTest, TheIdsOfAUtf8AndAShiftJisPageArriveAlike) {
  const std::string shiftJis = "<meta charset=\"Shift_JIS\">" + QuillonPage("0", "写真1");
  const std::string utf8 = Utf8("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" +
                                QuillonPage("0", "写真1"));
  const std::string expected =
      "{\"object\":\"\xE5\x86\x99\xE7\x9C\x9F" "1\",\"event\":\"OnStatusChanged\",\"args\":[1,\"\"]}";
  for (const std::string& page : {shiftJis, utf8}) {
    VekpageRun run = Run(page, Utf8("wait 写真1 OnStatusChanged 1\n"));
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.lines, (std::vector<std::string>{expected}));
  }
}

TEST_F(VekpageTest, TheSamplePageOpens) {
  testing_support::WriteRaw(folder / "script.txt", "wait Quillon1 OnStatusChanged 1\nquit\n");
  VekpageRun run = RunVekpage(
      folder.path(), {testing_support::SourceDir() + "/examples/pages/quillon.html", "--script", "script.txt"}, registry);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.lines, (std::vector<std::string>{kStatus1}));
}

TEST_F(VekpageTest, PageAndUsageMistakesEndWithCode2) {
  VekpageRun run = Run("<object id=X classid=\"clsid:{00000000-1111-2222-3333-444444444444}\"></object>", "quit\n");
  EXPECT_EQ(run.exitCode, 2);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_TRUE(StartsWith(run.lines[0], "{\"error\":\"object \\\"X\\\" (line 1): class "
                                       "{00000000-1111-2222-3333-444444444444} is not registered, and no control "
                                       "library beside vekpage has it (Quillon.dll: 0x80040111"))
      << run.lines[0];
  run = Run("<object classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">", "quit\n");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.lines, (std::vector<std::string>{"{\"error\":\"page.html: line 1: <object> without an id\"}"}));
  run = RunVekpage(folder.path(), {}, registry);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.lines, (std::vector<std::string>{"{\"error\":\"no page\"}"}));
  run = RunVekpage(folder.path(), {"page.html", "--timeout", "soon"}, registry);
  EXPECT_EQ(run.exitCode, 2);
  run = RunVekpage(folder.path(), {"missing.html"}, registry);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.lines, (std::vector<std::string>{"{\"error\":\"the page missing.html cannot be read\"}"}));
  run = RunVekpage(folder.path(), {"--help"}, registry);
  EXPECT_EQ(run.exitCode, 0);
}

// The photo control registered into the registry stand-in through its own DllRegisterServer.
class RegisteredQuillon : public VekpageTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(setenv("VEK_REGISTRY", registry.c_str(), 1), 0);
    module = platform::LoadModule("Quillon.dll");
    ASSERT_NE(module, nullptr) << platform::ModuleError();
    auto reg = platform::GetFunctionAs<platform::com::HRESULT (*)()>(module, "DllRegisterServer");
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), platform::com::S_OK);
  }
  void TearDown() override {
    unsetenv("VEK_REGISTRY");
    if (module) platform::FreeModule(module);
  }
  platform::ModuleHandle module = nullptr;
  const std::string server = "HKEY_CLASSES_ROOT\\CLSID\\{9850172F-5180-4D4F-BFB6-3CB39E817481}\\InprocServer32";
};

TEST_F(RegisteredQuillon, ComesFromItsInprocServer32) {
  std::string library;
  ASSERT_TRUE(platform::RegistryReadValue(server, "", library));
  VekpageRun run = Run(QuillonPage("0"), "wait Quillon1 OnStatusChanged 1\n");
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.lines, (std::vector<std::string>{kStatus1}));
  EXPECT_NE(run.errors.find("from the registry (" + library + ")"), std::string::npos) << run.errors;

  // A registered library that does not load is the registry's word, not a reason to look elsewhere.
  ASSERT_TRUE(platform::RegistrySetValue(server, "", "/nowhere/libQuillon.so"));
  run = Run(QuillonPage("0"), "quit\n");
  EXPECT_EQ(run.exitCode, 2);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_TRUE(StartsWith(run.lines[0], "{\"error\":\"object \\\"Quillon1\\\" (line 2): class "
                                       "{9850172F-5180-4D4F-BFB6-3CB39E817481} is registered with "
                                       "\\\"/nowhere/libQuillon.so\\\", but its object cannot be made: 0x8007007E"))
      << run.lines[0];
}

}  // namespace
