// The image-server stand-in (tests/servers/image_server.py), started on a free port of 127.0.0.1 for a test
// and stopped with it; its script of answers and what it received.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "test_support.h"

namespace testing_support {

// One part of a multipart body. Names, file names and data are the bytes as sent.
struct ReceivedPart {
  bool isFile = false;
  std::string name, fileName, contentType, data;
};

// One request as the server received it and Werkzeug parsed it.
struct ReceivedRequest {
  std::string method, path, query;
  std::vector<std::pair<std::string, std::string>> headers, cookies;
  std::vector<std::pair<std::string, std::string>> pairs;  // a name=value&... body, split as sent
  std::int64_t bodySize = 0;
  std::string body;  // as received (empty when bodies are not kept)
  bool multipart = false;
  std::string multipartError;  // empty when the multipart body parsed
  std::vector<ReceivedPart> parts;

  // A header's value (name without regard to case); empty when absent.
  std::string Header(std::string_view name) const;
  std::string Cookie(std::string_view name) const;
  // The first part of that name; null when there is none.
  const ReceivedPart* Part(std::string_view name) const;
};

class ImageServer {
 public:
  // Starts the server and waits until it listens (ok() tells whether it did).
  ImageServer();
  ~ImageServer();
  ImageServer(const ImageServer&) = delete;
  ImageServer& operator=(const ImageServer&) = delete;

  bool ok() const { return port_ > 0; }
  int port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by path.
  std::string Url(std::string_view path = "/") const;

  // Queues a step for path: members are a JSON object's members without the braces (CP932), e.g.
  // R"("kind": "status", "status": 404)" (see the server's description of the steps).
  bool Step(std::string_view path, std::string_view members);
  bool SendOk(std::string_view path, std::string_view cgiId);
  // Texts are CP932; a text left out (null) leaves its hidden input out of the page.
  bool SendNg(std::string_view path, const char* cgiId, const char* errMsg, const char* btnId, const char* btnNm);
  // Serves bytes at path (for every request to it that has no step queued).
  bool AddFile(std::string_view path, std::string_view bytes, std::string_view contentType = "application/octet-stream",
               std::string_view disposition = {}, int status = 200);
  bool KeepBodies(bool keep);
  bool Reset();

  // Every request kept so far, in the order of arrival.
  std::vector<ReceivedRequest> Requests() const;

  void Stop();

 private:
  bool Control(std::string_view command, std::string_view body) const;

  TempFolder record_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A port of 127.0.0.1 that nothing listens on (a server that refuses the connection).
int ClosedPort();

// A JSON string (quotes included) of a CP932 text, in UTF-8.
std::string JsonText(std::string_view cp932);
std::string Base64(std::string_view bytes);

}  // namespace testing_support
