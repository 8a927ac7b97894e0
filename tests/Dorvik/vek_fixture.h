// Estimate files for the tests of opening, saving and the in-place rewrites, made by the independent
// generator; the fault table that runs an operation with each of its file operations failing in turn.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "dorvik_test_support.h"
#include "platform/fault.h"
#include "test_support.h"

namespace vek_fixture {

// What an estimate file holds; the header's texts are fixed Japanese values.
struct Estimate {
  int entries = 0;     // history entries, numbered 1..entries
  int firstEntry = 1;  // number of the first entry
  std::vector<int> numbers;  // the entries' numbers when not 1..entries from firstEntry
  int history = 5;     // HeaderInfo.History
  int agreed = 0;
  std::string password;  // ASCII
  std::string version = "0010";
  std::string customer = "山田　太郎";
};

inline Estimate WithEntries(int n) {
  Estimate e;
  e.entries = n;
  return e;
}

inline std::string Entry(int i) {
  std::string n = std::to_string(i);
  return R"({"RenewalDate": [2024, 5, )" + n + R"(, 9, 30, )" + n + R"(], "LicenceID": "LIC0000)" + n +
         R"(", "Total": )" + n + R"(000.5, "PartsPriceTotal": )" + n + R"(1.0, "WageTotal": )" + n +
         R"(2.0, "PaintTotal": )" + n + R"(3.0, "FrameTotal": )" + n + R"(4.0, "CostTotal": )" + n +
         R"(5.0, "Name": "担当者　第)" + n + R"(号さん"})";
}

// The caller record of Entry(i).
inline HistoryInfo EntryRecord(int i) {
  HistoryInfo h{};
  h.RenewalDate = {2024, 5, static_cast<std::uint8_t>(i), 9, 30, static_cast<std::uint8_t>(i)};
  std::string licence = "LIC0000" + std::to_string(i);
  std::memcpy(h.LicenceID, licence.data(), std::min(licence.size(), sizeof h.LicenceID));
  h.Total = i * 1000 + 0.5;
  h.PartsPriceTotal = i * 10 + 1.0;
  h.WageTotal = i * 10 + 2.0;
  h.PaintTotal = i * 10 + 3.0;
  h.FrameTotal = i * 10 + 4.0;
  h.CostTotal = i * 10 + 5.0;
  std::string name = "担当者　第" + std::to_string(i) + "号さん";
  std::memcpy(h.Name, name.data(), std::min(name.size(), sizeof h.Name));
  return h;
}

// The generator's JSON (CP932 here; written as UTF-8).
inline std::string Json(const Estimate& e) {
  std::string s = R"({"header_data": {"Version": ")" + e.version + R"("}, "header_info": {
  "AcceptNo": "受付２０２４－０５０１－０００１", "GroupKey": "グループＡ", "SelfName": "株式会社　見積工房",
  "CustomerName": ")" + e.customer + R"(", "CarName": "プリウス　ＺＶＷ５０型",
  "GarageInDate": [2024, 5, 1], "GarageOutDate": [2024, 5, 20], "Progress": 3, "ImageCount": 12,
  "CreatedDate": [2024, 4, 30], "PartsPriceTotal": 123456.5, "WageTotal": 7890.25, "PaintTotal": 4321.0,
  "CostTotal": 99.75, "Total": 135767.5, "RCParts": 1, "TaxKind": 2, "History": )" +
                  std::to_string(e.history) + R"(, "Agreed": )" + std::to_string(e.agreed) +
                  R"(, "AgreedPassword": ")" + e.password + R"(", "CarNoDepartment": "品川",
  "CarNoDivision": "３３０", "CarNoBusiness": "あ", "CarNoSerial": "１２－３４", "ai21_OrderNo": "ORD001",
  "ai21_AdoptedDate": [2024, 6, 2]}, "history": [)";
  std::vector<int> numbers = e.numbers;
  if (numbers.empty()) {
    for (int i = 0; i < e.entries; ++i) numbers.push_back(e.firstEntry + i);
  }
  for (std::size_t i = 0; i < numbers.size(); ++i) s += (i ? ", " : "") + Entry(numbers[i]);
  return s + "]}";
}

// An archive stand-in: "MSCF" and size-4 bytes that differ from one offset to the next.
inline std::string Tail(std::size_t size, unsigned seed = 1) {
  std::string t(size, '\0');
  unsigned x = seed * 2654435761u + 12345u;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    t[i] = static_cast<char>(x >> 16);
  }
  t.replace(0, 4, "MSCF");
  return t;
}

// Writes the estimate file (CP932 path) with tail as its archive.
inline bool Write(const std::string& path, const Estimate& e, const std::string& tail) {
  std::string tailFile = testing_support::Utf8(path) + ".tail";
  testing_support::WriteRaw(tailFile, tail);
  bool ok = dorvik_test::MakeVek(Json(e), testing_support::Utf8(path), tailFile);
  std::remove(tailFile.c_str());
  std::remove((testing_support::Utf8(path) + ".json").c_str());
  return ok;
}

inline std::string Read(const std::string& cp932Path) { return testing_support::ReadRaw(testing_support::Utf8(cp932Path)); }

// Names (UTF-8) in a folder, sorted, without "." and "..".
inline std::vector<std::string> List(const std::string& cp932Folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(testing_support::Utf8(cp932Folder).c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A folder tree as relative UTF-8 names ("Image/P0001.jpg") and their bytes; folders end in "/".
using Tree = std::map<std::string, std::string>;

inline void ReadTreeInto(const std::string& root, const std::string& rel, Tree& tree) {
  DIR* d = opendir((root + rel).c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  for (const std::string& n : names) {
    struct stat st;
    std::string full = root + rel + n;
    if (lstat(full.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      tree[rel + n + "/"] = "";
      ReadTreeInto(root, rel + n + "/", tree);
    } else {
      tree[rel + n] = testing_support::ReadRaw(full);
    }
  }
}

inline Tree ReadTree(const std::string& cp932Folder) {
  Tree tree;
  ReadTreeInto(testing_support::Utf8(cp932Folder) + "/", "", tree);
  return tree;
}

// Names of a tree that differ from another's, for failure messages.
inline std::string TreeDiff(const Tree& a, const Tree& b) {
  std::string out;
  for (const auto& [name, bytes] : a) {
    auto it = b.find(name);
    if (it == b.end()) out += " -" + name;
    else if (it->second != bytes) out += " ~" + name;
  }
  for (const auto& [name, bytes] : b) {
    if (!a.count(name)) out += " +" + name;
  }
  return out;
}

// The files of a work folder as an estimate carries them: databases, their INI file, photographs (one with
// a Japanese name), a hand-over file. JPEG-like data that hardly compresses.
inline void MakeWorkTree(const std::string& cp932Folder, std::size_t photoSize = 150000) {
  const std::string root = testing_support::Utf8(cp932Folder);
  mkdir(root.c_str(), 0755);
  mkdir((root + "/Image").c_str(), 0755);
  using testing_support::WriteRaw;
  WriteRaw(root + "/OvDBInfo.ini",
           "[General]\r\nSignature=OVDBINFO\r\n[LatestDatabaseFile]\r\nInformationDB=OvSvIf0001.sld\r\n"
           "EstimateDB=OvSvEm0001.sld\r\nImageDB=OvSvIg0001.sld\r\n");
  WriteRaw(root + "/OvSvIf0001.sld", Tail(4096, 11));
  WriteRaw(root + "/OvSvEm0001.sld", std::string(20000, 'E') + Tail(3000, 12));
  WriteRaw(root + "/OvSvIg0001.sld", Tail(8192, 13));
  WriteRaw(root + "/Image/P0001.jpg", Tail(photoSize, 21));
  WriteRaw(root + "/Image/P0002.jpg", Tail(photoSize / 2, 22));
  WriteRaw(root + "/Image/" + testing_support::Utf8("写真　３.jpg"), Tail(1234, 23));
  WriteRaw(root + "/" + testing_support::Utf8("ヴィストレル連携.xml"), "<?xml version=\"1.0\"?><TorVane2Data/>");
}

inline std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline int Shell(const std::string& command) { return std::system(command.c_str()); }

// A cabinet of the tree made by the peer gcab (MSZIP, names relative to the folder).
inline bool GcabCabinet(const std::string& cp932Folder, const std::string& cabUtf8) {
  std::string cmd = "cd " + Quoted(testing_support::Utf8(cp932Folder)) + " && find . -type f | sed 's|^./||' | " +
                    "sort | xargs -d '\\n' gcab -c -z " + Quoted(cabUtf8) + " >/dev/null 2>&1";
  return Shell(cmd) == 0;
}

// The cabinet inside an estimate file, unscrambled by the generator's code.
inline bool TakeCabinet(const std::string& cp932Vek, const std::string& cabUtf8) {
  return Shell("python3 " + Quoted(testing_support::SourceDir() + "/tests/Dorvik/vek_tail.py") + " " +
             Quoted(testing_support::Utf8(cp932Vek)) + " " + Quoted(cabUtf8)) == 0;
}

inline std::string Code(const char* code) { return std::string(code, strnlen(code, 10)); }

inline const char* OpName(platform::FileOp op) {
  static const char* names[] = {"open", "read", "write", "rename", "delete", "mkdir", "size", "attributes", "lock"};
  return names[static_cast<int>(op)];
}

// Every kind of file operation the layer counts.
inline std::vector<platform::FileOp> AllOps() {
  std::vector<platform::FileOp> ops;
  for (int i = 0; i < static_cast<int>(platform::FileOp::kCount); ++i) ops.push_back(static_cast<platform::FileOp>(i));
  return ops;
}

// Runs prepare + run once without faults to count the calls of each kind, then for every kind and every N up
// to its count: prepare, make the Nth call fail, run, check. Gives the number of faulted runs.
inline int ForEveryFault(const std::function<void()>& prepare, const std::function<int()>& run,
                         const std::function<void(platform::FileOp, int, int)>& check) {
  int runs = 0;
  for (platform::FileOp op : AllOps()) {
    prepare();
    platform::ClearFaults();
    run();
    int calls = platform::CallCount(op);
    for (int n = 1; n <= calls; ++n) {
      prepare();
      platform::ClearFaults();
      platform::FailNthCall(op, n);
      int result = run();
      platform::ClearFaults();
      check(op, n, result);
      ++runs;
    }
  }
  return runs;
}

}  // namespace vek_fixture
