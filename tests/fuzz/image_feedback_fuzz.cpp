// fuzz-libs: dorvik_core
// fuzz-headers: dorvik_sql_headers
// The feedback of an OvSvImge.ini that the mail program edited, whatever its bytes, into a work folder whose
// Image folder holds a few photographs and whose image database (the SQLite stand-in) lists them: it never
// crashes, and when it fails the database and the Image folder are as they were.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ZkWorkFolderOperation.h"
#include "dorvik_sql/functions.h"
#include "dorvik_sql/records.h"
#include "fuzz_support.h"
#include "platform/files.h"
#include "platform/module.h"

namespace {

using fuzz_support::Check;

std::string g_work, g_database, g_pristine;
const char* const kPhotos[] = {"P0001.jpg", "P0002.JPG", "写真.jpg"};

// Names and bytes of the Image folder and the database.
std::string State() {
  std::string state;
  std::vector<platform::FolderName> names;
  platform::ListFolder(g_work + "/Image", names);
  for (const platform::FolderName& n : names) {
    std::string bytes;
    platform::ReadFile(g_work + "/Image/" + n.name, bytes);
    state += n.name + "=" + bytes + "\n";
  }
  std::string db;
  platform::ReadFile(g_database, db);
  return state + db;
}

// The folder as every input starts from: the photographs, and a database that lists them.
void Reset() {
  platform::DeleteTree(g_work + "/Image");
  platform::MakeFolder(g_work + "/Image");
  for (const char* photo : kPhotos) platform::WriteFile(g_work + "/Image/" + photo, photo, std::strlen(photo));
  platform::WriteFile(g_database, g_pristine.data(), g_pristine.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_work = fuzz_support::MakeFolder("image_feedback_fuzz");
  g_database = g_work + "/OvSvIg0001.sld";
  fuzz_support::UseBuildModules();
  platform::ModuleHandle ig = platform::LoadModule("DorvikSqlIg.dll");
  Check(ig != nullptr);
  auto initialize = platform::GetFunctionAs<dorvik_sql::InitializeFunction>(ig, "Initialize");
  auto write = platform::GetFunctionAs<dorvik_sql::WriteFunction>(ig, "WriteImage");
  auto finalize = platform::GetFunctionAs<dorvik_sql::FinalizeFunction>(ig, "Finalize");
  dorvik_sql::Image records[3] = {};
  for (int i = 0; i < 3; ++i) {
    records[i].ImageNo = i + 1;
    records[i].DisplayOrder = i + 1;
    std::memcpy(records[i].FileName, kPhotos[i], std::strlen(kPhotos[i]));
  }
  char code[10] = {};
  Check(initialize(g_database.c_str(), "", -1) == 1 && write(records, 3, code) == 1);
  finalize();
  platform::FreeModule(ig);
  Check(platform::ReadFile(g_database, g_pristine));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  Reset();
  Check(platform::WriteFile(g_work + "/OvSvImge.ini", data, size));
  const std::string before = State();
  char code[10] = {};
  if (!CZkWorkFolderOperation(g_work.c_str()).FeedbackMailLinkImageFile(g_database.c_str(), code)) {
    Check(State() == before);
  }
  return 0;
}
