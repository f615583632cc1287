#pragma once

#include "common/TempDir.h"
#include "platform/Descriptor.h"
#include "platform/Wakeup.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

// Web servers of a test's or benchmark's own on loopback, for the display's media downloads:
// the real ones operators run (nginx, Python's http.server) as child processes, and one that
// misbehaves as it is told. Each takes a free port; none touches anything outside its own
// temporary folder.

class TChildProcess;

// The date form of Last-Modified and If-Modified-Since: "Sun, 06 Nov 1994 08:49:37 GMT".
std::string HttpDate(std::chrono::system_clock::time_point time);

// One request as nginx logged it; a header the request did not carry is empty.
struct TAccessEntry {
    std::string method;
    std::string uri; // as requested, the query included
    int status = 0;
    uint64_t bodyBytes = 0;
    std::string ifNoneMatch;
    std::string ifModifiedSince;
};

// Debian's nginx serving a folder as it is, with the ETag ("<mtime hex>-<size hex>") and
// Last-Modified it derives from each file. Both have a resolution of one second: a test that
// rewrites a file with one of the same size sets the file's time to tell the versions apart.
// Runs as one process without a master (as root it keeps root's rights, so it reads the test's
// private folders), configured, logged and its temporary files kept in a folder of its own.
class TNginxServer {
public:
    explicit TNginxServer(std::string root);
    TNginxServer(const TNginxServer&) = delete;
    TNginxServer& operator=(const TNginxServer&) = delete;
    ~TNginxServer();

    // Whether nginx is installed here, for a test to skip otherwise.
    static bool Available();

    uint16_t Port() const { return port_; }
    // "http://127.0.0.1:PORT/"
    std::string Url() const;

    // The server is gone: connections to the port are refused.
    void Stop();
    // Serves again on the same port; ready when it returns.
    void Start();

    // The requests answered so far, in order. nginx logs a request after its answer has gone
    // out: a test that has just read an answer waits for the entry with WaitForAccessLog.
    std::vector<TAccessEntry> AccessLog() const;
    bool WaitForAccessLog(size_t count, int timeoutMs = 5000) const;

private:
    void WriteConfiguration() const;
    // Starts nginx on port_ and waits until it accepts connections; false when the port was
    // taken meanwhile.
    bool Launch();

    std::string root_;
    TTempDir folder_;
    uint16_t port_ = 0;
    std::unique_ptr<TChildProcess> process_;
};

// A certificate for 127.0.0.1 signed by itself, and its key, made with the openssl command in a
// folder of their own: a TLS server no system trusts.
struct TSelfSignedCertificate {
    TSelfSignedCertificate();
    std::string CertificateFile() const { return folder_.File("cert.pem"); }
    std::string KeyFile() const { return folder_.File("key.pem"); }

private:
    TTempDir folder_;
};

// Python's http.server serving a folder: Last-Modified and no ETag, 304 for an
// If-Modified-Since no older than the file. It takes the free port itself and tells it. Given a
// certificate, it speaks HTTPS only.
class TPythonWebServer {
public:
    explicit TPythonWebServer(const std::string& root,
                              const TSelfSignedCertificate* certificate = nullptr);
    TPythonWebServer(const TPythonWebServer&) = delete;
    TPythonWebServer& operator=(const TPythonWebServer&) = delete;
    ~TPythonWebServer();

    static bool Available();

    uint16_t Port() const { return port_; }
    std::string Url() const;

private:
    TTempDir folder_; // its request log
    std::unique_ptr<TChildProcess> process_;
    uint16_t port_ = 0;
    bool secure_ = false;
};

// How the scripted web server answers a request.
struct TWebBehaviour {
    enum class TKind { Serve, Fail, StallAfter, CutAfter, Silent, Redirect };

    // 200 with the body, its length and the validators given (as they go on the wire, an ETag
    // with its quotes; empty: not sent). 304 without a body when If-None-Match names the ETag,
    // or, without If-None-Match, when If-Modified-Since is the Last-Modified text.
    static TWebBehaviour Serve(std::string body, std::string etag = {},
                               std::string lastModified = {});
    // The status with a short text body.
    static TWebBehaviour Fail(int status);
    // The headers announce the whole body; the first bytes of it go out, then nothing while
    // the connection is held open.
    static TWebBehaviour StallAfter(std::string body, size_t bytes);
    // The headers announce the whole body; the first bytes of it go out, then the connection
    // closes.
    static TWebBehaviour CutAfter(std::string body, size_t bytes);
    // The request is read and never answered; the connection is held open.
    static TWebBehaviour Silent();
    // 302 to an absolute URL.
    static TWebBehaviour Redirect(std::string location);

    TKind kind = TKind::Fail;
    int status = 404;
    std::string body;
    std::string etag;
    std::string lastModified;
    size_t bytes = 0;
    std::string location;
};

// A request as the scripted web server read it.
struct TWebRequest {
    std::string method;
    std::string target; // as requested, the query included
    std::vector<std::pair<std::string, std::string>> headers;

    // The path, without the query.
    std::string Path() const;
    // The first header of the name (in any case), empty when there is none.
    std::string Header(std::string_view name) const;
};

// An HTTP/1.1 server of the test's own on 127.0.0.1 that answers each path as it is told, with
// Connection: close on every answer. Each connection is served on a thread of its own, so one
// held open never delays another. A connection held open (a stall, silence) stays so until the
// client closes it, Release() is called or the server ends; the server's end wakes and joins
// every thread.
class TScriptedWebServer {
public:
    TScriptedWebServer();
    TScriptedWebServer(const TScriptedWebServer&) = delete;
    TScriptedWebServer& operator=(const TScriptedWebServer&) = delete;
    ~TScriptedWebServer();

    uint16_t Port() const { return port_; }
    // "http://127.0.0.1:PORT/"
    std::string Url() const;

    // How requests for the path ("/a.jpg", any query aside) are answered from now on.
    void Set(const std::string& path, TWebBehaviour behaviour);
    // How requests for paths without a behaviour of their own are answered; at first 404.
    void SetDefault(TWebBehaviour behaviour);
    // Closes the connections held open now; those held later are held again.
    void Release();

    // The requests read so far, in order; each is recorded before it is answered.
    std::vector<TWebRequest> Requests() const;
    bool WaitForRequests(size_t count, int timeoutMs = 5000) const;
    // Connections accepted so far, and those held open now.
    int Connections() const { return connections_; }
    int Held() const { return held_; }

private:
    struct TWorker {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void Accept();
    void Serve(int fd);
    TWebBehaviour BehaviourFor(const TWebRequest& request) const;
    void Answer(int fd, const TWebRequest& request, const TWebBehaviour& behaviour);
    // Whole, or false when the client is gone or the server ends.
    bool Send(int fd, std::string_view bytes) const;
    // Until the client closes, Release() or the server's end.
    void Hold(int fd);

    TDescriptor listener_;
    uint16_t port_ = 0;
    TWakeup stop_;
    std::atomic<int> connections_{0};
    std::atomic<int> held_{0};

    mutable std::mutex mutex_;
    mutable std::condition_variable requested_;
    std::map<std::string, TWebBehaviour> behaviours_;
    TWebBehaviour fallback_;
    std::vector<TWebRequest> requests_;
    std::vector<TWakeup*> holding_;

    std::list<TWorker> workers_; // the accepting thread's alone until it is joined
    std::thread thread_;
};
