// Expected request bodies written by hand under tests/fixtures/quillon/, and Werkzeug's reading of a body.
//
// A fixture holds one line per body line; each line is sent followed by CR LF. Lines starting with "##" are
// comments. In a line: \xHH is that byte, \\ a backslash, ${ROOT} the test's folder, ${FILE:name} the raw
// bytes of the file ROOT/name; a line ${INCLUDE:name} stands for the lines of fixture name.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace quillon_test {

inline std::string FixturePath(const std::string& name) {
  return testing_support::SourceDir() + "/tests/fixtures/quillon/" + name;
}

inline std::string ExpandFixture(const std::string& name, const std::string& root) {
  std::string text = testing_support::ReadRaw(FixturePath(name));
  EXPECT_FALSE(text.empty()) << "fixture " << name;
  std::string out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("##", 0) == 0) continue;
    if (line.rfind("${INCLUDE:", 0) == 0 && line.back() == '}') {
      out += ExpandFixture(line.substr(10, line.size() - 11), root);
      continue;
    }
    for (std::size_t i = 0; i < line.size();) {
      if (line.compare(i, 2, "\\x") == 0 && i + 4 <= line.size()) {
        out += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
        i += 4;
      } else if (line.compare(i, 2, "\\\\") == 0) {
        out += '\\';
        i += 2;
      } else if (line.compare(i, 7, "${ROOT}") == 0) {
        out += root;
        i += 7;
      } else if (line.compare(i, 7, "${FILE:") == 0) {
        std::size_t end = line.find('}', i);
        out += testing_support::ReadRaw(root + "/" + line.substr(i + 7, end - i - 7));
        i = end + 1;
      } else {
        EXPECT_LT(static_cast<unsigned char>(line[i]), 0x80) << "write non-ASCII bytes as \\xHH: " << name;
        out += line[i++];
      }
    }
    out += "\r\n";
  }
  return out;
}

// Equal byte strings; else where they part, with the bytes around it, instead of both whole bodies.
inline ::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  auto around = [at](const std::string& s) {
    std::size_t from = at > 32 ? at - 32 : 0;
    return testing_support::Show(s.substr(from, 64));
  };
  return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                       << ", first difference at " << at << "\n  actual:   ..." << around(actual)
                                       << "\n  expected: ..." << around(expected);
}

// One part as Werkzeug found it: names and contents as raw bytes.
struct ParsedPart {
  bool isFile = false;
  std::string name, filename, contentType, data;
  bool operator==(const ParsedPart&) const = default;
};

inline void PrintTo(const ParsedPart& p, std::ostream* os) {
  *os << (p.isFile ? "file " : "field ") << testing_support::Show(p.name);
  if (p.isFile) *os << " filename " << testing_support::Show(p.filename) << " type " << p.contentType;
  *os << ", " << p.data.size() << " bytes: " << testing_support::Show(p.data.substr(0, 24));
}

inline std::string Unhex(const std::string& hex) {
  std::string out;
  if (hex == "-") return out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return out;
}

// The parts of body as Werkzeug's multipart parser reads them; false (with a test failure) when it refuses it.
inline bool ParseWithWerkzeug(const std::string& body, std::string_view boundary, std::vector<ParsedPart>& parts,
                              const std::string& scratchFolder) {
  const std::string in = scratchFolder + "/werkzeug-body.bin", out = scratchFolder + "/werkzeug-parts.txt";
  testing_support::WriteRaw(in, body);
  std::string cmd = "python3 '" + testing_support::SourceDir() + "/tests/support/parse_multipart.py' '" + in +
                    "' '" + std::string(boundary) + "' > '" + out + "'";
  if (std::system(cmd.c_str()) != 0) {
    ADD_FAILURE() << "Werkzeug could not parse the body";
    return false;
  }
  parts.clear();
  std::istringstream lines(testing_support::ReadRaw(out));
  bool ended = false;
  for (std::string kind; lines >> kind;) {
    std::string a, b, c, d;
    if (kind == "field") {
      lines >> a >> b;
      parts.push_back({false, Unhex(a), "", "", Unhex(b)});
    } else if (kind == "file") {
      lines >> a >> b >> c >> d;
      parts.push_back({true, Unhex(a), Unhex(b), Unhex(c), Unhex(d)});
    } else if (kind == "end") {
      lines >> a;
      EXPECT_EQ(a, "-") << "bytes after the closing delimiter";
      ended = true;
    }
  }
  EXPECT_TRUE(ended) << "no closing delimiter";
  return ended;
}

inline ParsedPart Field(std::string name, std::string value) {
  return {false, std::move(name), "", "", std::move(value)};
}
inline ParsedPart FilePart(std::string name, std::string path, std::string data) {
  return {true, std::move(name), std::move(path), "application/octet-stream", std::move(data)};
}

}  // namespace quillon_test
