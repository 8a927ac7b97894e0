// A data folder of real estimate files for the end-to-end tests: each made by the fixture generator around a
// cabinet of gcab's; some given a photo-link file by the estimate-file library itself (opened, the file written
// with CreateVistrelLinkFile, saved again); one damaged. Paths are ASCII, texts CP932.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "platform/files.h"
#include "platform/module.h"
#include "test_support.h"

namespace tamsel_test {

struct RealEstimate {
  std::string name;  // "r01.vek"
  std::string acceptNo, customerName, carName, department, division, business, serial;
  bool link = false;  // a photo-link file written by Dorvik
  std::string linkCustomer, linkCarNo, linkCarName, adjuster, ticketNo, mouldNo, kindNo, colour, owner, user;
  VekDate garageIn{2024, 5, 1};
  VekDate accident{2024, 4, 30};
  bool damaged = false;    // an archive that is no cabinet
  std::int64_t time = 0;   // last write, seconds since 1970
};

// The 25 estimates of the tests: r01 to r25, the later the newer; every third one with a photo-link file,
// r13 damaged.
inline std::vector<RealEstimate> TwentyFiveEstimates() {
  static const char* const kCustomers[] = {"山田　太郎", "佐藤　花子", "鈴木　一郎", "高橋　次郎", "田中　美咲"};
  static const char* const kCars[] = {"プリウス", "カローラ", "フィット", "ノート", "アクア"};
  static const char* const kPlaces[] = {"品川", "練馬", "横浜", "多摩", "大阪"};
  std::vector<RealEstimate> out;
  for (int i = 1; i <= 25; ++i) {
    RealEstimate e;
    char name[16];
    std::snprintf(name, sizeof name, "r%02d.vek", i);
    e.name = name;
    e.acceptNo = "A2024-" + std::to_string(1000 + i);
    e.customerName = kCustomers[i % 5];
    e.carName = kCars[i % 5];
    e.department = kPlaces[i % 5];
    e.division = std::to_string(300 + i);
    e.business = "あ";
    e.serial = std::to_string(10 + i) + "-" + std::to_string(30 + i);
    e.link = i % 3 == 0;
    if (e.link) {
      e.linkCustomer = e.customerName + "様";
      e.linkCarNo = e.department + e.division + e.business + e.serial;
      e.linkCarName = e.carName + " ハイブリッド";
      e.adjuster = "査定　" + std::to_string(i);
      e.ticketNo = "T-" + std::to_string(500 + i);
      e.mouldNo = "ZVW5";
      e.kindNo = "123";
      e.colour = "1F7";
      e.owner = "持ち主" + std::to_string(i);
      e.user = "使う人" + std::to_string(i);
    }
    e.damaged = i == 13;
    e.time = 1714550000 + 3600 * i;
    out.push_back(e);
  }
  return out;
}

// Why the estimate could not be made; empty when it was.
inline std::string MakeRealEstimate(const std::string& folder, const RealEstimate& e) {
  const std::string path = folder + "/" + e.name;
  const std::string stage = path + ".stage";
  const std::string cab = path + ".cab";
  platform::MakeFolders(stage + "/Image");
  const std::string photo = "\xFF\xD8\xFF\xE0 a photograph of " + e.name + " \xFF\xD9";
  platform::WriteFile(stage + "/Image/P0001.jpg", photo.data(), photo.size());
  if (e.damaged) {
    const std::string noise(300, 'Z');
    platform::WriteFile(cab, noise.data(), noise.size());
  } else if (std::system(("cd '" + stage + "' && gcab -c -z '" + cab + "' Image/P0001.jpg").c_str()) != 0) {
    return "gcab failed";
  }
  const std::string json = R"({"header_data": {"Version": "0010"}, "header_info": {"AcceptNo": ")" + e.acceptNo +
                           R"(", "CustomerName": ")" + e.customerName + R"(", "CarName": ")" + e.carName +
                           R"(", "CarNoDepartment": ")" + e.department + R"(", "CarNoDivision": ")" + e.division +
                           R"(", "CarNoBusiness": ")" + e.business + R"(", "CarNoSerial": ")" + e.serial +
                           R"(", "GarageInDate": [2024, 5, 1], "ImageCount": 1}})";
  const bool made = testing_support::MakeVek(json, path, cab);
  platform::DeleteTree(stage);
  platform::DeleteFile(cab);
  platform::DeleteFile(path + ".json");
  if (!made) return "the fixture generator failed";

  if (e.link) {
    platform::ModuleHandle dorvik = platform::LoadModule("Dorvik.dll");
    if (!dorvik) return "Dorvik does not load: " + platform::ModuleError();
    auto initialize = platform::GetFunctionAs<decltype(&::Initialize)>(dorvik, "Initialize");
    auto open = platform::GetFunctionAs<decltype(&::OpenVekFile)>(dorvik, "OpenVekFile");
    auto create = platform::GetFunctionAs<decltype(&::CreateVistrelLinkFile)>(dorvik, "CreateVistrelLinkFile");
    auto save = platform::GetFunctionAs<decltype(&::SaveVekFileEx)>(dorvik, "SaveVekFileEx");
    auto finalize = platform::GetFunctionAs<decltype(&::Finalize)>(dorvik, "Finalize");
    VistrelLinkRecord r;
    std::memset(&r, 0, sizeof r);
    auto put = [](char* field, std::size_t width, const std::string& text) {
      std::memcpy(field, text.data(), text.size() < width ? text.size() : width);
    };
    put(r.CustomerName1, sizeof r.CustomerName1, e.linkCustomer);
    put(r.AdjusterName, sizeof r.AdjusterName, e.adjuster);
    put(r.AcceptNo, sizeof r.AcceptNo, e.acceptNo);
    put(r.TicketNo, sizeof r.TicketNo, e.ticketNo);
    put(r.CarNo, sizeof r.CarNo, e.linkCarNo);
    put(r.CarName, sizeof r.CarName, e.linkCarName);
    put(r.CarMouldNo, sizeof r.CarMouldNo, e.mouldNo);
    put(r.CarKindNo, sizeof r.CarKindNo, e.kindNo);
    put(r.ColorCode, sizeof r.ColorCode, e.colour);
    put(r.OwnerName, sizeof r.OwnerName, e.owner);
    put(r.UserName, sizeof r.UserName, e.user);
    r.GarageInDate = e.garageIn;
    r.AccidentDate = e.accident;
    const std::string work = path + ".work";
    platform::MakeFolder(work);
    char code[10] = {};
    initialize(0, nullptr, nullptr, 0, "");
    const bool ok = open(path.c_str(), work.c_str(), code) == 1 && create(work.c_str(), path.c_str(), &r, code) == 1 &&
                    save(work.c_str(), path.c_str(), code) == 1;
    finalize();
    platform::FreeModule(dorvik);
    platform::DeleteTree(work);
    if (!ok) return std::string("Dorvik failed with ") + code;
  }
  platform::FileTime time{e.time, 0};
  if (!platform::SetFileTimes(path, nullptr, &time)) return "the file time could not be set";
  return {};
}

// The data folder of the 25 estimates, made once for a test program on its first use and removed at its end.
struct SharedEstimates {
  testing_support::TempFolder folder;
  std::string data = folder / "data";
  std::string blocker;  // why they could not be made; empty when they stand

  static const SharedEstimates& Get() {
    static const SharedEstimates shared;
    return shared;
  }

 private:
  SharedEstimates() {
    platform::MakeFolders(data);
    for (const RealEstimate& e : TwentyFiveEstimates()) {
      blocker = MakeRealEstimate(data, e);
      if (!blocker.empty()) {
        blocker = e.name + ": " + blocker;
        return;
      }
    }
  }
};

}  // namespace tamsel_test
