#include "platform/ini.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/fault.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::WriteRaw;

// Fixture files, each in CR LF and in LF form.
struct Fixture {
  const char* name;
  std::string lines;  // "\n"-separated
};

const Fixture kFixtures[] = {
    {"general",
     "; comment\n"
     "[General]\n"
     " Signature = \"ACS\" \n"
     "Empty=\n"
     "Blank=   \n"
     "Single='single'\n"
     "Mismatched=\"a'\n"
     "Lone=\"\n"
     "TwoQuotes=\"\"\n"
     "KeptBlanks=\"  a  \"\n"
     "Inner=a \"b\" c\n"
     "Inline=v ;x\n"
     "\tTabbed\t=\tt\t\n"
     "Dup=first\n"
     "dup=second\n"
     "NoEquals\n"
     "Num=-42x\n"
     "Plus=+7\n"
     "Bad=x1\n"
     "Spaced= 12 \n"
     "Wrap=4294967295\n"
     "\n"
     "[general]\n"
     "Signature=second\n"
     "OnlyInSecond=x\n"
     "[Text] trailing words\n"
     "Name=見積書\n"
     "Long=abc表\n"
     "Path=C:\\表\\ソ|ポ\\\n"
     "Raw=\xFF\x80\xA0\n"
     "LeadBlank=x\x95 \n"
     "QuotedLead=\"\x95\"\n"
     "[バ]\n"
     "Key=katakana ba\n"
     "[ー‐]\n"
     "Key=bracket trail byte\n"
     "[Unclosed\n"
     "Key=still Text's neighbour\n"},
};

std::string WithEnds(const std::string& lines, const char* end) {
  std::string out;
  for (char c : lines) {
    if (c == '\n') {
      out += end;
    } else {
      out += c;
    }
  }
  return out;
}

class IniFixtureTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { WriteRaw(file, WithEnds(kFixtures[0].lines, GetParam())); }
  testing_support::TempFolder dir;
  std::string file = dir / "a.ini";
};

TEST_P(IniFixtureTest, ReadsAsTheProfileFunctionsDo) {
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    const char* def;
    std::size_t size;
    std::string value;
  } cases[] = {
      {"TrimmedUnquoted", "General", "Signature", "", 32, "ACS"},
      {"NamesWithoutCase", "GENERAL", "signature", "", 32, "ACS"},
      {"EmptyValueIsNotTheDefault", "General", "Empty", "def", 32, ""},
      {"BlankValueIsEmpty", "General", "Blank", "def", 32, ""},
      {"SingleQuotes", "General", "Single", "", 32, "single"},
      {"MismatchedQuotesStay", "General", "Mismatched", "", 32, "\"a'"},
      {"LoneQuoteStays", "General", "Lone", "", 32, "\""},
      {"TwoQuotesAreEmpty", "General", "TwoQuotes", "def", 32, ""},
      {"QuotesKeepBlanks", "General", "KeptBlanks", "", 32, "  a  "},
      {"InnerQuotesStay", "General", "Inner", "", 32, "a \"b\" c"},
      {"NoInlineComments", "General", "Inline", "", 32, "v ;x"},
      {"TabsTrimmed", "General", "Tabbed", "", 32, "t"},
      {"FirstKeyWins", "General", "DUP", "", 32, "first"},
      {"LineWithoutEqualsIsNoKey", "General", "NoEquals", "def", 32, "def"},
      {"MissingKeyGivesDefault", "General", "None", "def", 32, "def"},
      {"DefaultLosesTrailingSpaces", "General", "None", " d  ", 32, " d"},
      {"NullDefaultIsEmpty", "General", "None", nullptr, 32, ""},
      {"FirstSectionWins", "General", "OnlyInSecond", "def", 32, "def"},
      {"MissingSection", "Nope", "Signature", "", 32, ""},
      {"CommentIsNoKey", "General", "; comment", "def", 32, "def"},
      {"TextAfterBracketIgnored", "Text", "Name", "", 32, "見積書"},
      {"CutAtSize", "General", "Signature", "", 3, "AC"},
      {"SizeOneGivesEmpty", "General", "Signature", "", 1, ""},
      {"CutBeforeDoubleByte", "Text", "Long", "", 5, "abc"},
      {"CutAfterDoubleByte", "Text", "Long", "", 6, "abc表"},
      {"CutInDefaultToo", "General", "None", "ab表", 4, "ab"},
      {"TrailBytes5CAnd7C", "Text", "Path", "", 32, "C:\\表\\ソ|ポ\\"},
      {"BytesThatAreNoCharacters", "Text", "Raw", "", 32, "\xFF\x80\xA0"},
      {"BlankAfterLeadByteIsItsTrail", "Text", "LeadBlank", "", 32, "x\x95 "},
      {"QuoteAfterLeadByteIsItsTrail", "Text", "QuotedLead", "", 32, "\"\x95\""},
      {"TrailByteIsNoLetter", "グ", "Key", "def", 32, "def"},
      {"DoubleByteSectionName", "バ", "Key", "", 32, "katakana ba"},
      {"BracketAsTrailByte", "ー‐", "Key", "", 32, "bracket trail byte"},
      {"UnclosedBracketIsNoSection", "Unclosed", "Key", "def", 32, "def"},
  };
  for (const Case& c : cases) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    std::size_t n = platform::IniGetString(c.section, c.key, c.def, buffer, c.size, file);
    EXPECT_EQ(n, c.value.size()) << c.name;
    EXPECT_EQ(std::string(buffer), c.value) << c.name << ": " << Show(buffer);
    EXPECT_EQ(buffer[c.size], '#') << c.name << ": wrote past the size";
  }
  // The whole value, without a size.
  EXPECT_EQ(platform::IniGetString("text", "path", "", file), "C:\\表\\ソ|ポ\\");
  EXPECT_EQ(platform::IniGetString("General", "None", "dflt ", file), "dflt ");
}

TEST_P(IniFixtureTest, ReadsIntegers) {
  struct Case {
    const char* name;
    const char* key;
    int value;
  } cases[] = {
      {"SignAndDigits", "Num", -42}, {"PlusSign", "Plus", 7},   {"NoDigitsIsZero", "Bad", 0},
      {"Trimmed", "Spaced", 12},     {"EmptyIsDefault", "Empty", 99}, {"MissingIsDefault", "None", 99},
      {"WrapsAt32Bits", "Wrap", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::IniGetInt("General", c.key, 99, file), c.value) << c.name;
}

TEST_P(IniFixtureTest, ListsKeysAndSections) {
  char list[256];
  std::size_t n = platform::IniGetString(nullptr, nullptr, "", list, sizeof list, file);
  const std::string sections("General\0general\0Text\0バ\0ー‐\0", 30);
  EXPECT_EQ(std::string(list, n + 1), sections);
  EXPECT_EQ(n, sections.size() - 1);
  const std::vector<std::string> keys = {"Signature", "Empty",   "Blank", "Single", "Mismatched", "Lone",
                                         "TwoQuotes", "KeptBlanks", "Inner", "Inline", "Tabbed", "Dup",
                                         "dup",       "Num",     "Plus",  "Bad",    "Spaced",     "Wrap"};
  EXPECT_EQ(platform::IniGetKeys("general", file), keys);
  EXPECT_EQ(platform::IniGetSections(file).size(), 5u);
  // "[Unclosed" and the key under it belong to the last section.
  EXPECT_EQ(platform::IniGetKeys("ー‐", file), (std::vector<std::string>{"Key", "Key"}));
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniFixtureTest, ::testing::Values("\r\n", "\n"),
                         [](const auto& info) { return std::string(info.param[0] == '\r' ? "CrLf" : "Lf"); });

class IniTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::ClearFaults(); }
  testing_support::TempFolder dir;
  std::string file = dir / "a.ini";
};

TEST_F(IniTest, KeyListsListEmptyValuesAndCutLikeTheProfileFunctions) {
  WriteRaw(file, "[ImageSections]\r\nImage1=\r\nImage2=\r\n; c\r\nImage3\r\nImage4=x\r\n[Empty]\r\n");
  struct Case {
    const char* name;
    const char* section;
    const char* def;
    std::size_t size;
    std::string list;  // with its closing NULs
    std::size_t count;
  } cases[] = {
      {"Whole", "ImageSections", "", 64, std::string("Image1\0Image2\0Image4\0\0", 22), 21},
      {"ExactFit", "ImageSections", "", 22, std::string("Image1\0Image2\0Image4\0\0", 22), 21},
      {"LastNameCut", "ImageSections", "", 10, std::string("Image1\0I\0\0", 10), 8},
      {"OnlyRoomForNULs", "ImageSections", "", 2, std::string("\0\0", 2), 0},
      {"SizeOne", "ImageSections", "", 1, std::string("\0", 1), 0},
      {"EmptySectionListsTheDefault", "Empty", "none", 64, std::string("none\0\0", 6), 4},
      {"MissingSectionEmptyDefault", "Missing", "", 64, std::string("\0\0", 2), 0},
  };
  for (const Case& c : cases) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    std::size_t n = platform::IniGetString(c.section, nullptr, c.def, buffer, c.size, file);
    EXPECT_EQ(n, c.count) << c.name;
    EXPECT_EQ(std::string(buffer, c.list.size()), c.list) << c.name;
    if (c.size < sizeof buffer) {
      EXPECT_EQ(buffer[c.size], '#') << c.name << ": wrote past the size";
    }
  }
  EXPECT_EQ(platform::IniGetKeys("imagesections", file), (std::vector<std::string>{"Image1", "Image2", "Image4"}));
  // A list of sections that does not fit.
  char buffer[8];
  EXPECT_EQ(platform::IniGetString(nullptr, nullptr, "", buffer, sizeof buffer, file), 6u);
  EXPECT_EQ(std::string(buffer, 8), std::string("ImageS\0\0", 8));
}

TEST_F(IniTest, BadInputFailsWithoutHarm) {
  WriteRaw(file, "[S]\r\nK=v\r\n");
  const std::string badPath = dir.path() + "/\x81\x20.ini";  // does not convert
  char buffer[16] = "untouched";
  struct ReadCase {
    const char* name;
    const std::string path;
  } reads[] = {{"EmptyPath", ""}, {"PathThatDoesNotConvert", badPath}, {"Folder", dir.path()},
               {"MissingFile", dir / "none.ini"}};
  for (const ReadCase& c : reads) {
    EXPECT_EQ(platform::IniGetString("S", "K", "def", buffer, sizeof buffer, c.path), 3u) << c.name;
    EXPECT_STREQ(buffer, "def") << c.name;
    EXPECT_EQ(platform::IniGetInt("S", "K", 5, c.path), 5) << c.name;
    EXPECT_TRUE(platform::IniGetKeys("S", c.path).empty()) << c.name;
    platform::IniDocument doc;
    EXPECT_FALSE(platform::IniReadFile(c.path, doc)) << c.name;
  }
  EXPECT_EQ(platform::IniGetString("S", "K", "def", nullptr, 16, file), 0u);
  EXPECT_EQ(platform::IniGetString("S", "K", "def", buffer, 0, file), 0u);

  struct WriteCase {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
    std::string path;
  } writes[] = {
      {"NullSection", nullptr, "K", "v", file},
      {"EmptyPath", "S", "K", "v", ""},
      {"PathThatDoesNotConvert", "S", "K", "v", badPath},
      {"MissingFolder", "S", "K", "v", dir / "none/a.ini"},
      {"FolderAsFile", "S", "K", "v", dir.path()},
      {"LineEndInValue", "S", "K", "v\r\n[S]", file},
      {"LineFeedInValue", "S", "K", "v\nX=y", file},
      {"EqualsInKey", "S", "K=1", "v", file},
      {"EmptyKey", "S", "", "v", file},
      {"CommentKey", "S", ";K", "v", file},
      {"BlankAroundKey", "S", " K", "v", file},
      {"BracketInSection", "S]x", "K", "v", file},
      {"LineEndInSection", "S\r\n", "K", "v", file},
  };
  for (const WriteCase& c : writes) {
    EXPECT_FALSE(platform::IniWriteString(c.section, c.key, c.value, c.path)) << c.name;
    EXPECT_EQ(ReadRaw(file), "[S]\r\nK=v\r\n") << c.name;
  }
  EXPECT_FALSE(platform::Exists(dir / "none"));
}

TEST_F(IniTest, WritesWholeFilesWithCrLf) {
  std::string out = dir / "b.ini";
  ASSERT_TRUE(platform::IniWriteString("S", "K", "v1", out));
  ASSERT_TRUE(platform::IniWriteString("s", "k", "v2", out));
  ASSERT_TRUE(platform::IniWriteString("T", "X", "y", out));
  ASSERT_TRUE(platform::IniWriteString("T", "Empty", "", out));
  ASSERT_TRUE(platform::IniWriteString("T", "Raw", " \"q\" ", out));
  EXPECT_EQ(ReadRaw(out), "[S]\r\nK=v2\r\n[T]\r\nX=y\r\nEmpty=\r\nRaw= \"q\" \r\n");
  EXPECT_EQ(platform::IniGetString("T", "Empty", "def", out), "");
  ASSERT_TRUE(platform::IniWriteString("S", "K", nullptr, out));
  ASSERT_TRUE(platform::IniWriteString("T", nullptr, nullptr, out));
  EXPECT_EQ(ReadRaw(out), "[S]\r\n");
  // Deleting what is not there still writes the file as it was.
  ASSERT_TRUE(platform::IniWriteString("None", nullptr, nullptr, out));
  EXPECT_EQ(ReadRaw(out), "[S]\r\n");
  // The name is found without regard to case: no second file.
  ASSERT_TRUE(platform::IniWriteString("S", "K", "v", dir / "B.INI"));
  EXPECT_EQ(ReadRaw(out), "[S]\r\nK=v\r\n");
  std::vector<platform::FindEntry> found;
  ASSERT_TRUE(platform::FindFiles(dir / "*", found));
  EXPECT_EQ(found.size(), 3u) << "., .. and b.ini only";
}

TEST_F(IniTest, RewritingOneKeyKeepsEveryOtherLine) {
  WriteRaw(file,
           "; head\n[S]\nA = \" x \"\n; about B\nB=1\n\n[T]\nC='2'\r\n"
           "[S]\nA=duplicate section\n");
  ASSERT_TRUE(platform::IniWriteString("s", "b", "2", file));
  ASSERT_TRUE(platform::IniWriteString("S", "D", "4", file));
  EXPECT_EQ(ReadRaw(file),
            "; head\r\n[S]\r\nA = \" x \"\r\n; about B\r\nB=2\r\nD=4\r\n\r\n[T]\r\nC='2'\r\n"
            "[S]\r\nA=duplicate section\r\n");
  EXPECT_EQ(platform::IniGetString("S", "A", "", file), " x ");
  ASSERT_TRUE(platform::IniWriteString("S", "A", nullptr, file));
  EXPECT_EQ(ReadRaw(file),
            "; head\r\n[S]\r\n; about B\r\nB=2\r\nD=4\r\n\r\n[T]\r\nC='2'\r\n[S]\r\nA=duplicate section\r\n");
  // Deleting the first of two sections of a name uncovers the second.
  ASSERT_TRUE(platform::IniWriteString("S", nullptr, nullptr, file));
  EXPECT_EQ(ReadRaw(file), "; head\r\n[T]\r\nC='2'\r\n[S]\r\nA=duplicate section\r\n");
  EXPECT_EQ(platform::IniGetString("S", "A", "", file), "duplicate section");
}

// Lookups go through an index: it must see what callers did to the vectors directly.
TEST_F(IniTest, LookupsSeeChangesMadeToTheDocumentsVectors) {
  platform::IniDocument doc = platform::IniDocument::Parse("[A]\r\nk=1\r\n[B]\r\nk=2\r\n[表]\r\nx=3\r\n");
  ASSERT_NE(doc.FindEntry("b", "K"), nullptr);
  EXPECT_EQ(doc.FindEntry("表", "X")->value, "3");
  doc.AddSection("ア");  // 0x83 0x41: a trail byte that is an ASCII letter
  EXPECT_NE(doc.FindSection("ア"), nullptr);
  EXPECT_EQ(doc.FindSection("\x83\x61"), nullptr) << "the trail byte of a double-byte name is not folded";
  doc.sections.pop_back();
  doc.sections.push_back({"C", {{"k", "4"}}});
  ASSERT_NE(doc.FindEntry("c", "k"), nullptr) << "a section appended";
  doc.sections[0].entries.push_back({"extra", "5"});
  ASSERT_NE(doc.FindEntry("A", "EXTRA"), nullptr) << "an entry appended";
  doc.sections.erase(doc.sections.begin());
  EXPECT_EQ(doc.FindSection("A"), nullptr) << "a section taken out";
  EXPECT_EQ(doc.FindEntry("B", "k")->value, "2");
  doc.sections[0].name = "Z";
  EXPECT_EQ(doc.FindSection("B"), nullptr) << "a renamed section is not found under its old name";
  EXPECT_NE(doc.FindSection("C"), nullptr);
  // Many sections and keys: each found, the first of duplicates.
  platform::IniDocument big;
  for (int i = 0; i < 20000; ++i) big.Set("S" + std::to_string(i), "K", std::to_string(i));
  big.AddSection("s7").entries.push_back({"K", "duplicate"});
  for (int i = 0; i < 20000; i += 997) EXPECT_EQ(big.FindEntry("s" + std::to_string(i), "k")->value, std::to_string(i));
  EXPECT_EQ(big.FindEntry("S7", "K")->value, "7");
}

TEST_F(IniTest, DocumentRoundTripAndEdits) {
  const std::string bytes = WithEnds(kFixtures[0].lines, "\r\n");
  platform::IniDocument doc = platform::IniDocument::Parse(bytes);
  EXPECT_EQ(doc.Serialize(), bytes);
  EXPECT_EQ(platform::IniDocument::Parse(WithEnds(kFixtures[0].lines, "\n")).Serialize(), bytes);

  platform::IniDocument made;
  made.Set("General", "Signature", "HEADERDT");
  made.AddSection("Dup").entries.push_back({"K", "1"});
  made.AddSection("dup").entries.push_back({"K", "2"});
  made.Set("DUP", "k", "3");  // the first section and its first key
  made.Set("New", "K", "");
  EXPECT_EQ(made.Serialize(), "[General]\r\nSignature=HEADERDT\r\n[Dup]\r\nK=3\r\n[dup]\r\nK=2\r\n[New]\r\nK=\r\n");
  EXPECT_TRUE(made.RemoveKey("dup", "K"));
  EXPECT_FALSE(made.RemoveKey("dup", "K")) << "the first section has no K left";
  EXPECT_FALSE(made.RemoveKey("None", "K"));
  EXPECT_TRUE(made.RemoveSection("DUP"));
  ASSERT_NE(made.FindEntry("dup", "k"), nullptr);
  EXPECT_EQ(made.FindEntry("dup", "k")->value, "2");
  EXPECT_FALSE(made.RemoveSection("None"));
  // A document with a value that would break the file is not written.
  made.Set("New", "K", "a\nb");
  EXPECT_FALSE(platform::IniWriteFile(file, made));
  EXPECT_FALSE(platform::IsFile(file));
  made.Set("New", "K", "ab");
  ASSERT_TRUE(platform::IniWriteFile(file, made));
  platform::IniDocument back;
  ASSERT_TRUE(platform::IniReadFile(file, back));
  EXPECT_EQ(back.Serialize(), made.Serialize());
}

TEST_F(IniTest, ReadOnlyFileIsNotReplaced) {
  WriteRaw(file, "[S]\r\nK=old\r\n");
  ASSERT_TRUE(platform::SetAttributes(file, platform::kAttrReadOnly));
  EXPECT_FALSE(platform::IniWriteString("S", "K", "new", file));
  EXPECT_EQ(ReadRaw(file), "[S]\r\nK=old\r\n");
  EXPECT_EQ(platform::IniGetString("S", "K", "", file), "old") << "reading is allowed";
  ASSERT_TRUE(platform::SetAttributes(file, platform::kAttrNormal));
  EXPECT_TRUE(platform::IniWriteString("S", "K", "new", file));
  EXPECT_EQ(ReadRaw(file), "[S]\r\nK=new\r\n");
}

TEST_F(IniTest, FailedWriteLeavesThePreviousFile) {
  const std::string before = "; keep me\r\n[S]\r\nK=old\r\n";
  struct Case {
    const char* name;
    platform::FileOp op;
  } cases[] = {
      {"OpenOfTheOldFile", platform::FileOp::Open},   {"ReadOfTheOldFile", platform::FileOp::Read},
      {"SizeOfTheOldFile", platform::FileOp::Size},   {"WriteOfTheNewFile", platform::FileOp::Write},
      {"RenameOverTheOldFile", platform::FileOp::Rename},
  };
  for (const Case& c : cases) {
    WriteRaw(file, before);
    platform::FailNthCall(c.op, 1);
    EXPECT_FALSE(platform::IniWriteString("S", "K", "new", file)) << c.name;
    platform::ClearFaults();
    EXPECT_EQ(ReadRaw(file), before) << c.name;
    std::vector<platform::FindEntry> found;
    ASSERT_TRUE(platform::FindFiles(dir / "*", found));
    EXPECT_EQ(found.size(), 3u) << c.name << ": a temporary file was left";
  }
  // The flush of the new file fails (the second call of its kind): it is not put in place.
  WriteRaw(file, before);
  platform::FailNthCall(platform::FileOp::Write, 2);
  EXPECT_FALSE(platform::IniWriteString("S", "K", "new", file));
  platform::ClearFaults();
  EXPECT_EQ(ReadRaw(file), before);
  EXPECT_TRUE(platform::IniWriteString("S", "K", "new", file));
  EXPECT_EQ(ReadRaw(file), "; keep me\r\n[S]\r\nK=new\r\n");
}

}  // namespace
