#include "image_server.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/text.h"

namespace testing_support {

namespace {

bool SameNoCase(std::string_view a, std::string_view b) { return platform::EqualsNoCaseAscii(a, b); }

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

std::string Unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    std::size_t tab = line.find('\t', start);
    out.push_back(Unescape(std::string_view(line).substr(start, tab == std::string::npos ? tab : tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return out;
}

ReceivedRequest ReadRecord(const std::string& folder) {
  ReceivedRequest r;
  std::istringstream in(ReadRaw(folder + "/request.txt"));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f = Fields(line);
    const std::string& kind = f[0];
    auto at = [&f](std::size_t i) { return i < f.size() ? f[i] : std::string(); };
    if (kind == "method") r.method = at(1);
    if (kind == "path") r.path = at(1);
    if (kind == "query") r.query = at(1);
    if (kind == "header") r.headers.emplace_back(at(1), at(2));
    if (kind == "cookie") r.cookies.emplace_back(at(1), at(2));
    if (kind == "pair") r.pairs.emplace_back(at(1), at(2));
    if (kind == "body") r.bodySize = std::stoll(at(1));
    if (kind == "multipart") {
      r.multipart = true;
      if (at(1) != "ok") r.multipartError = at(2).empty() ? at(1) : at(2);
    }
    if (kind == "field") r.parts.push_back({false, at(1), {}, {}, ReadRaw(folder + "/" + at(2))});
    if (kind == "file") r.parts.push_back({true, at(1), at(2), at(3), ReadRaw(folder + "/" + at(4))});
  }
  r.body = ReadRaw(folder + "/body");
  return r;
}

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

}  // namespace

std::string ReceivedRequest::Header(std::string_view name) const {
  for (const auto& [n, v] : headers) {
    if (SameNoCase(n, name)) return v;
  }
  return {};
}

std::string ReceivedRequest::Cookie(std::string_view name) const {
  for (const auto& [n, v] : cookies) {
    if (n == name) return v;
  }
  return {};
}

const ReceivedPart* ReceivedRequest::Part(std::string_view name) const {
  for (const ReceivedPart& p : parts) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

ImageServer::ImageServer() {
  const std::string script = SourceDir() + "/tests/servers/image_server.py";
  int out[2];
  if (pipe(out) != 0) return;
  std::vector<std::string> args = {"python3", script, "--record", record_.path()};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // The server goes with the test, also when the test dies.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  if (pid_ < 0) {
    close(out[0]);
    return;
  }
  // "PORT <n>" once it listens.
  std::string line;
  pollfd p{out[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && poll(&p, 1, 30000) > 0) {
    char buf[64];
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<std::size_t>(n));
  }
  close(out[0]);
  if (line.compare(0, 5, "PORT ") == 0) port_ = std::atoi(line.c_str() + 5);
  if (port_ <= 0) Stop();
}

ImageServer::~ImageServer() { Stop(); }

void ImageServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string ImageServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

bool ImageServer::Control(std::string_view command, std::string_view body) const {
  if (!ok()) return false;
  CURL* easy = curl_easy_init();
  if (!easy) return false;
  std::string url = Url("/_control/") + std::string(command);
  std::string reply;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, 30L);
  curl_slist* headers = curl_slist_append(nullptr, "Expect:");
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  bool done = curl_easy_perform(easy) == CURLE_OK && reply == "ok";
  curl_slist_free_all(headers);
  curl_easy_cleanup(easy);
  return done;
}

bool ImageServer::Step(std::string_view path, std::string_view members) {
  std::string body = "{\"path\": " + JsonText(path);
  // The members are CP932, as the tests' literals are; JSON is UTF-8.
  std::string utf8;
  if (!members.empty()) body += ", " + (platform::Cp932ToUtf8(members, utf8) ? utf8 : std::string(members));
  body += "}";
  return Control("step", body);
}

bool ImageServer::SendOk(std::string_view path, std::string_view cgiId) {
  return Step(path, "\"kind\": \"sendok\", \"cgi_id\": " + JsonText(cgiId));
}

bool ImageServer::SendNg(std::string_view path, const char* cgiId, const char* errMsg, const char* btnId,
                         const char* btnNm) {
  std::string members = "\"kind\": \"sendng\"";
  const std::pair<const char*, const char*> fields[] = {
      {"cgi_id", cgiId}, {"err_msg", errMsg}, {"btn_id", btnId}, {"btn_nm", btnNm}};
  for (const auto& [key, value] : fields) {
    if (value) members += std::string(", \"") + key + "\": " + JsonText(value);
  }
  return Step(path, members);
}

bool ImageServer::AddFile(std::string_view path, std::string_view bytes, std::string_view contentType,
                          std::string_view disposition, int status) {
  CURL* easy = curl_easy_init();
  if (!easy) return false;
  auto escaped = [easy](std::string_view s) {
    char* e = curl_easy_escape(easy, s.data(), static_cast<int>(s.size()));
    std::string out = e ? e : "";
    curl_free(e);
    return out;
  };
  // The server reads its control parameters as UTF-8.
  std::string command = "file?path=" + escaped(Utf8(path)) + "&content_type=" + escaped(contentType) +
                        "&status=" + std::to_string(status);
  if (!disposition.empty()) command += "&disposition=" + escaped(disposition);
  curl_easy_cleanup(easy);
  return Control(command, bytes);
}

bool ImageServer::KeepBodies(bool keep) { return Control("record", keep ? "{\"body\": true}" : "{\"body\": false}"); }

bool ImageServer::Reset() { return Control("reset", ""); }

std::vector<ReceivedRequest> ImageServer::Requests() const {
  std::vector<std::string> folders;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(record_.path(), ec)) {
    if (std::filesystem::exists(entry.path() / "request.txt")) folders.push_back(entry.path().string());
  }
  std::sort(folders.begin(), folders.end());
  std::vector<ReceivedRequest> out;
  for (const std::string& f : folders) out.push_back(ReadRecord(f));
  return out;
}

std::string JsonText(std::string_view cp932) {
  std::string utf8;
  if (!platform::Cp932ToUtf8(cp932, utf8)) utf8 = std::string(cp932);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Base64(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                 static_cast<unsigned char>(bytes[i + 2]);
    for (int k = 18; k >= 0; k -= 6) out += kAlphabet[(v >> k) & 63];
  }
  std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

int ClosedPort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  close(s);
  return ntohs(a.sin_port);
}

}  // namespace testing_support
