#include "engine/web/ServeCommand.h"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/inventory/ResultsSnapshot.h"
#include "engine/store/Store.h"
#include "engine/web/ServeOptions.h"
#include "engine/web/WebRouter.h"

namespace disco {
namespace web {

namespace {

constexpr int kUsage = 2, kStoreError = 3, kListenError = 4;
// Open stores lent to the request threads (WebData), and the threads that answer requests.
constexpr int kStores = 4;
// More threads than the clients a busy view has at once: a kept-alive connection holds its thread.
constexpr int kRequestThreads = 64;

// A folder of the process's own for the store a results file is loaded into; removed with its
// files when the object goes.
class ScratchFolder {
 public:
  bool Make(std::string* error) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/extreme-disco-web.XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) {
      *error = "cannot make a scratch folder in " + pattern;
      return false;
    }
    m_Path = pattern;
    return true;
  }
  ~ScratchFolder() {
    if (m_Path.empty()) return;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
      unlink((Store() + suffix).c_str());
    }
    rmdir(m_Path.c_str());
  }
  std::string Store() const { return m_Path + "/results.db"; }

 private:
  std::string m_Path;
};

std::string ReadWhole(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  *ok = static_cast<bool>(in) || in.eof();
  return text.str();
}

WebRequest ToWebRequest(const httplib::Request& req) {
  WebRequest r;
  r.method = req.method;
  r.path = req.path;
  for (const auto& p : req.params) r.params.emplace(p.first, p.second);
  r.authorization = req.get_header_value("Authorization");
  r.cookie = req.get_header_value("Cookie");
  return r;
}

}  // namespace

bool IsServeCommand(const std::string& word) { return word == "serve"; }

int RunServeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ServeOptions o;
  std::string error;
  if (!ParseServeOptions(args, &o, &error)) {
    err << "extreme-disco serve: " << error << "\nusage: extreme-disco serve [--db TARGET | "
        << "--results FILE] [--listen ADDR:PORT] [--token FILE]\n";
    return kUsage;
  }
  if (o.help) {
    out << kServeHelp;
    return 0;
  }
  std::string token;
  if (!o.tokenFile.empty() && !ReadTokenFile(o.tokenFile, &token, &error)) {
    err << "extreme-disco serve: " << error << "\n";
    return kUsage;
  }

  ScratchFolder scratch;
  std::string target = o.db.empty() ? store::DefaultStoreTarget() : o.db;
  std::string what = "the store " + target;
  if (!o.results.empty()) {
    bool read = false;
    std::string text = ReadWhole(o.results, &read);
    store::RunSnapshot run;
    if (!read) {
      error = o.results + ": cannot read it";
    } else if (ReadResultsSnapshot(text, o.results, &run, &error) && scratch.Make(&error)) {
      target = "sqlite:" + scratch.Store();
      std::unique_ptr<store::Store> writer = store::OpenStore(target, {}, &error);
      if (writer && writer->WriteRun(run, nullptr, &error) > 0) error.clear();
      if (!writer && error.empty()) error = "cannot make the scratch store";
    }
    if (!error.empty()) {
      err << "extreme-disco serve: " << error << "\n";
      return kStoreError;
    }
    what = o.results;
  }
  std::vector<std::unique_ptr<store::Store>> stores;
  store::StoreOptions options;
  options.create = false;
  for (int i = 0; i < kStores; ++i) {
    std::unique_ptr<store::Store> s = store::OpenStore(target, options, &error);
    if (!s) {
      err << "extreme-disco serve: " << error << "\n";
      return kStoreError;
    }
    stores.push_back(std::move(s));
  }
  WebData data(std::move(stores));
  WebRouter router(&data, token);

  // Ctrl-C and SIGTERM are taken by one thread that stops the server; every other thread,
  // the request threads included, has them blocked.
  sigset_t stopping, previous;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGINT);
  sigaddset(&stopping, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopping, &previous);
  signal(SIGPIPE, SIG_IGN);

  httplib::Server server;
  server.new_task_queue = [] { return new httplib::ThreadPool(kRequestThreads); };
  server.set_payload_max_length(64 * 1024);
  // SO_REUSEADDR only: cpp-httplib's default SO_REUSEPORT would let a second server share a
  // port in use, and half the requests would go to it.
  server.set_socket_options([](socket_t socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.set_keep_alive_timeout(2);
  server.set_keep_alive_max_count(1000);
  server.set_pre_routing_handler([&](const httplib::Request& req, httplib::Response& res) {
    const auto start = std::chrono::steady_clock::now();
    WebResponse answer = router.Handle(ToWebRequest(req));
    // How long the answer took to make, for the browser's tools and the benchmark.
    const double millis =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    char timing[48];
    std::snprintf(timing, sizeof timing, "app;dur=%.2f", millis);
    res.set_header("Server-Timing", timing);
    res.status = answer.status;
    for (const auto& h : CommonHeaders()) res.set_header(h.first, h.second);
    for (const auto& h : answer.headers) res.set_header(h.first, h.second);
    res.set_content(answer.body, answer.contentType);
    return httplib::Server::HandlerResponse::Handled;
  });
  int port = o.port;
  bool bound =
      port == 0 ? (port = server.bind_to_any_port(o.host)) > 0 : server.bind_to_port(o.host, port);
  if (!bound) {
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    err << "extreme-disco serve: cannot listen on " << o.host << ":" << o.port
        << " (in use, or not an address of this machine)\n";
    return kListenError;
  }
  std::string host = o.host.find(':') != std::string::npos ? "[" + o.host + "]" : o.host;
  out << "extreme-disco serve: the web view of " << what << " is at http://" << host << ":" << port
      << "/ (" << (token.empty() ? "" : "it asks for the access token; ") << "Ctrl-C stops it)"
      << std::endl;

  std::atomic<bool> done{false};
  std::thread waiter([&] {
    const timespec tick{0, 200 * 1000 * 1000};
    while (!done) {
      if (sigtimedwait(&stopping, nullptr, &tick) > 0) {
        server.stop();
        return;
      }
    }
  });
  bool served = server.listen_after_bind();
  done = true;
  waiter.join();
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (!served) {
    err << "extreme-disco serve: the server stopped on an error\n";
    return kListenError;
  }
  return 0;
}

}  // namespace web
}  // namespace disco
