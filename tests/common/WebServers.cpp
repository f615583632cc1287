#include "common/WebServers.h"

#include "common/ChildProcess.h"
#include "common/LoopbackSockets.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* NginxProgram = "/usr/sbin/nginx";
constexpr const char* PythonProgram = "/usr/bin/python3";
// The files of an nginx run, in the server's folder.
constexpr const char* NginxConfiguration = "nginx.conf";
constexpr const char* NginxPidFile = "nginx.pid";
constexpr const char* NginxErrorLog = "error.log";
constexpr const char* NginxErrorOutput = "stderr.log";
constexpr const char* NginxAccessLog = "access.log";
// Where http.server logs the requests, in its folder.
constexpr const char* PythonRequestLog = "requests.log";
// How long a server may take to start listening.
constexpr int StartLimitMs = 10000;
// Free ports taken before nginx gives up: another process may bind the one chosen before nginx.
constexpr int PortTries = 5;
// A request's head larger than this is refused.
constexpr size_t HeadLimit = 64 * 1024;

std::string Text(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string LoopbackUrl(uint16_t port) {
    return "http://127.0.0.1:" + std::to_string(port) + "/";
}

uint16_t FreePort() {
    uint16_t port = 0;
    LoopbackSockets::Listen(port, 1);
    return port;
}

// nginx's JSON escaping of a logged value undone.
std::string Unescaped(std::string_view value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const char c = value[++i];
        if (c == 'u' && i + 4 < value.size()) {
            text += static_cast<char>(std::stoi(std::string(value.substr(i + 1, 4)), nullptr, 16));
            i += 4;
        } else {
            text += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        }
    }
    return text;
}

std::vector<std::string_view> Fields(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        const size_t end = line.find(separator, start);
        fields.push_back(line.substr(start, end - start));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The weak comparison: W/"x" and "x" are the same entity.
std::string_view Opaque(std::string_view etag) {
    return etag.starts_with("W/") ? etag.substr(2) : etag;
}

bool EtagListNames(std::string_view list, std::string_view etag) {
    if (Trimmed(list) == "*")
        return true;
    return std::ranges::any_of(Fields(list, ','), [&](std::string_view candidate) {
        return Opaque(Trimmed(candidate)) == Opaque(etag);
    });
}

bool NotModified(const TWebBehaviour& behaviour, const TWebRequest& request) {
    const std::string ifNoneMatch = request.Header("If-None-Match");
    if (!ifNoneMatch.empty())
        return !behaviour.etag.empty() && EtagListNames(ifNoneMatch, behaviour.etag);
    const std::string ifModifiedSince = request.Header("If-Modified-Since");
    return !ifModifiedSince.empty() && ifModifiedSince == behaviour.lastModified;
}

std::string_view Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

using THeaderFields = std::vector<std::pair<std::string, std::string>>;

std::string Head(int status, const THeaderFields& fields) {
    std::string head =
        "HTTP/1.1 " + std::to_string(status) + " " + std::string(Reason(status)) + "\r\n";
    for (const auto& [name, value] : fields) {
        if (!value.empty())
            head += name + ": " + value + "\r\n";
    }
    return head + "Connection: close\r\n\r\n";
}

// The head of a request, up to its empty line; nothing when the client closes or the server
// ends first.
std::optional<std::string> ReceiveHead(int fd, int stopFd) {
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < HeadLimit) {
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {fd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[0].revents != 0)
            return std::nullopt;
        char bytes[4096];
        const ssize_t n = ::recv(fd, bytes, sizeof bytes, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return std::nullopt;
        if (n > 0)
            head.append(bytes, static_cast<size_t>(n));
    }
    return head;
}

std::optional<TWebRequest> ParsedRequest(std::string_view head) {
    const size_t end = head.find("\r\n\r\n");
    if (end == std::string_view::npos)
        return std::nullopt;
    const auto lines = Fields(head.substr(0, end), '\n');
    const auto requestLine =
        Fields(Trimmed(lines.front().substr(0, lines.front().find('\r'))), ' ');
    if (requestLine.size() != 3 || !requestLine[2].starts_with("HTTP/"))
        return std::nullopt;
    TWebRequest request{std::string(requestLine[0]), std::string(requestLine[1]), {}};
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        request.headers.emplace_back(Trimmed(line.substr(0, colon)),
                                     Trimmed(line.substr(colon + 1)));
    }
    return request;
}

} // namespace

std::string HttpDate(std::chrono::system_clock::time_point time) {
    // Named here, not by strftime: the names must not follow the locale a Qt program sets.
    static constexpr const char* Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[32];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", Days[utc.tm_wday],
                  utc.tm_mday, Months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return text;
}

// --- nginx

TNginxServer::TNginxServer(std::string root) : root_(std::move(root)) {
    for (int attempt = 0; attempt < PortTries; ++attempt) {
        port_ = FreePort();
        if (Launch())
            return;
    }
    throw std::runtime_error("nginx found no free port");
}

TNginxServer::~TNginxServer() = default;

bool TNginxServer::Available() {
    return ::access(NginxProgram, X_OK) == 0;
}

std::string TNginxServer::Url() const {
    return LoopbackUrl(port_);
}

void TNginxServer::Stop() {
    process_.reset();
}

void TNginxServer::Start() {
    if (process_ == nullptr && !Launch())
        throw std::runtime_error("nginx cannot take port " + std::to_string(port_) + " again");
}

void TNginxServer::WriteConfiguration() const {
    // Every path nginx would write is in the folder; the log's fields are separated by tabs and
    // JSON-escaped, so that a header that was not sent is logged empty.
    const std::string& folder = folder_.Path();
    std::ofstream(folder_.File(NginxConfiguration))
        << "daemon off;\n"
        << "master_process off;\n"
        << "pid " << folder_.File(NginxPidFile) << ";\n"
        << "lock_file " << folder << "/nginx.lock;\n"
        << "error_log " << folder_.File(NginxErrorLog) << " notice;\n"
        << "events { worker_connections 256; }\n"
        << "http {\n"
        << "    log_format requests escape=json '$request_method\\t$request_uri\\t$status\\t"
           "$body_bytes_sent\\t$http_if_none_match\\t$http_if_modified_since';\n"
        << "    access_log " << folder_.File(NginxAccessLog) << " requests;\n"
        << "    client_body_temp_path " << folder << "/client_body;\n"
        << "    proxy_temp_path " << folder << "/proxy;\n"
        << "    fastcgi_temp_path " << folder << "/fastcgi;\n"
        << "    uwsgi_temp_path " << folder << "/uwsgi;\n"
        << "    scgi_temp_path " << folder << "/scgi;\n"
        << "    types { image/jpeg jpg jpeg; image/png png; image/gif gif; image/bmp bmp;\n"
        << "            video/mp4 mp4; video/x-msvideo avi; text/plain txt; }\n"
        << "    default_type application/octet-stream;\n"
        << "    etag on;\n"
        << "    server {\n"
        << "        listen 127.0.0.1:" << port_ << ";\n"
        << "        root \"" << root_ << "\";\n"
        << "    }\n"
        << "}\n";
}

bool TNginxServer::Launch() {
    WriteConfiguration();
    // What a run leaves is read to tell how the next one went.
    const std::string pidFile = folder_.File(NginxPidFile);
    const std::string errorLog = folder_.File(NginxErrorLog);
    const std::string errorOutput = folder_.File(NginxErrorOutput);
    for (const auto& file : {pidFile, errorLog, errorOutput})
        std::filesystem::remove(file);
    process_ = std::make_unique<TChildProcess>(
        std::vector<std::string>{NginxProgram, "-p", folder_.Path() + "/", "-c",
                                 folder_.File(NginxConfiguration), "-e", errorLog},
        errorOutput);
    // nginx writes its pid file once it listens (until then another program may hold the port).
    const std::string listening = std::to_string(process_->Pid()) + "\n";
    std::optional<int> exited;
    bool ready = false;
    WaitFor(
        [&] {
            exited = process_->Exit(0);
            ready = !exited && Text(pidFile) == listening && LoopbackSockets::Accepts(port_);
            return exited || ready;
        },
        StartLimitMs);
    if (ready)
        return true;
    process_.reset();
    const std::string log = Text(errorLog);
    if (exited && log.find("Address already in use") != std::string::npos)
        return false;
    throw std::runtime_error("nginx did not start: " + log + Text(errorOutput));
}

std::vector<TAccessEntry> TNginxServer::AccessLog() const {
    std::vector<TAccessEntry> entries;
    std::istringstream log(Text(folder_.File(NginxAccessLog)));
    // A line still being written has no end yet: getline would give it whole at the file's end.
    for (std::string line; std::getline(log, line) && !log.eof();) {
        const auto fields = Fields(line, '\t');
        if (fields.size() != 6)
            throw std::runtime_error("nginx logged an unexpected line: " + line);
        entries.push_back({Unescaped(fields[0]), Unescaped(fields[1]),
                           std::stoi(std::string(fields[2])), std::stoull(std::string(fields[3])),
                           Unescaped(fields[4]), Unescaped(fields[5])});
    }
    return entries;
}

bool TNginxServer::WaitForAccessLog(size_t count, int timeoutMs) const {
    return WaitFor([&] { return AccessLog().size() >= count; }, timeoutMs);
}

// --- Python's http.server

TSelfSignedCertificate::TSelfSignedCertificate() {
    TChildProcess openssl({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                           "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                           "subjectAltName=IP:127.0.0.1", "-keyout", KeyFile(), "-out",
                           CertificateFile()},
                          folder_.File("openssl.log"));
    if (openssl.Exit(StartLimitMs) != 0)
        throw std::runtime_error("openssl made no certificate: " +
                                 Text(folder_.File("openssl.log")));
}

// http.server's own command line, with its socket wrapped in TLS; it says where it listens as
// the command line does.
constexpr const char* PythonHttpsServer = R"(
import functools, http.server, ssl, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[2], sys.argv[3])
server.socket = context.wrap_socket(server.socket, server_side=True)
print("Serving HTTPS on 127.0.0.1 port %d" % server.server_address[1], flush=True)
server.serve_forever()
)";

TPythonWebServer::TPythonWebServer(const std::string& root,
                                   const TSelfSignedCertificate* certificate)
    : secure_(certificate != nullptr) {
    std::vector<std::string> arguments{PythonProgram, "-u", "-m",          "http.server", "--bind",
                                       "127.0.0.1",   "0",  "--directory", root};
    if (certificate != nullptr)
        arguments = {PythonProgram,         "-u", "-c",
                     PythonHttpsServer,     root, certificate->CertificateFile(),
                     certificate->KeyFile()};
    process_ = std::make_unique<TChildProcess>(arguments, folder_.File(PythonRequestLog));
    // "Serving HTTP on 127.0.0.1 port 43215 (http://127.0.0.1:43215/) ...", once it listens.
    const auto line = process_->ReadLine(StartLimitMs);
    constexpr std::string_view marker = " port ";
    const size_t at = line ? line->find(marker) : std::string::npos;
    if (at == std::string::npos)
        throw std::runtime_error("http.server did not start: " +
                                 Text(folder_.File(PythonRequestLog)));
    port_ = static_cast<uint16_t>(std::stoi(line->substr(at + marker.size())));
}

TPythonWebServer::~TPythonWebServer() = default;

bool TPythonWebServer::Available() {
    return ::access(PythonProgram, X_OK) == 0;
}

std::string TPythonWebServer::Url() const {
    const std::string url = LoopbackUrl(port_);
    return secure_ ? "https" + url.substr(4) : url;
}

// --- The scripted server

TWebBehaviour TWebBehaviour::Serve(std::string body, std::string etag, std::string lastModified) {
    TWebBehaviour behaviour;
    behaviour.kind = TKind::Serve;
    behaviour.status = 200;
    behaviour.body = std::move(body);
    behaviour.etag = std::move(etag);
    behaviour.lastModified = std::move(lastModified);
    return behaviour;
}

TWebBehaviour TWebBehaviour::Fail(int status) {
    TWebBehaviour behaviour;
    behaviour.kind = TKind::Fail;
    behaviour.status = status;
    return behaviour;
}

TWebBehaviour TWebBehaviour::StallAfter(std::string body, size_t bytes) {
    TWebBehaviour behaviour = Serve(std::move(body));
    behaviour.kind = TKind::StallAfter;
    behaviour.bytes = bytes;
    return behaviour;
}

TWebBehaviour TWebBehaviour::CutAfter(std::string body, size_t bytes) {
    TWebBehaviour behaviour = Serve(std::move(body));
    behaviour.kind = TKind::CutAfter;
    behaviour.bytes = bytes;
    return behaviour;
}

TWebBehaviour TWebBehaviour::Silent() {
    TWebBehaviour behaviour;
    behaviour.kind = TKind::Silent;
    return behaviour;
}

TWebBehaviour TWebBehaviour::Redirect(std::string location) {
    TWebBehaviour behaviour;
    behaviour.kind = TKind::Redirect;
    behaviour.status = 302;
    behaviour.location = std::move(location);
    return behaviour;
}

std::string TWebRequest::Path() const {
    return target.substr(0, target.find('?'));
}

std::string TWebRequest::Header(std::string_view name) const {
    const auto found = std::ranges::find_if(
        headers, [&](const auto& header) { return SameName(header.first, name); });
    return found == headers.end() ? std::string() : found->second;
}

TScriptedWebServer::TScriptedWebServer() {
    listener_ = LoopbackSockets::Listen(port_, 64);
    thread_ = std::thread([this] { Accept(); });
}

TScriptedWebServer::~TScriptedWebServer() {
    stop_.Signal();
    thread_.join();
    for (auto& worker : workers_)
        worker.thread.join();
}

std::string TScriptedWebServer::Url() const {
    return LoopbackUrl(port_);
}

void TScriptedWebServer::Set(const std::string& path, TWebBehaviour behaviour) {
    const std::lock_guard lock(mutex_);
    behaviours_.insert_or_assign(path, std::move(behaviour));
}

void TScriptedWebServer::SetDefault(TWebBehaviour behaviour) {
    const std::lock_guard lock(mutex_);
    fallback_ = std::move(behaviour);
}

void TScriptedWebServer::Release() {
    const std::lock_guard lock(mutex_);
    for (TWakeup* wakeup : holding_)
        wakeup->Signal();
}

std::vector<TWebRequest> TScriptedWebServer::Requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

bool TScriptedWebServer::WaitForRequests(size_t count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return requested_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return requests_.size() >= count; });
}

void TScriptedWebServer::Accept() {
    LoopbackSockets::AcceptUntilStopped(
        listener_.Get(), stop_.Fd(), [this](TDescriptor connection) {
            ++connections_;
            workers_.remove_if([](TWorker& worker) {
                if (worker.done)
                    worker.thread.join();
                return worker.done.load();
            });
            TWorker& worker = workers_.emplace_back();
            worker.thread = std::thread([this, &worker, fd = std::move(connection)] {
                Serve(fd.Get());
                worker.done = true;
            });
        });
}

void TScriptedWebServer::Serve(int fd) {
    const auto head = ReceiveHead(fd, stop_.Fd());
    if (!head)
        return;
    const auto request = ParsedRequest(*head);
    if (!request) {
        Send(fd, Head(400, {{"Content-Length", "0"}}));
        return;
    }
    const TWebBehaviour behaviour = BehaviourFor(*request);
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(*request);
    }
    requested_.notify_all();
    Answer(fd, *request, behaviour);
}

TWebBehaviour TScriptedWebServer::BehaviourFor(const TWebRequest& request) const {
    const std::lock_guard lock(mutex_);
    const auto found = behaviours_.find(request.Path());
    return found == behaviours_.end() ? fallback_ : found->second;
}

void TScriptedWebServer::Answer(int fd, const TWebRequest& request,
                                const TWebBehaviour& behaviour) {
    using TKind = TWebBehaviour::TKind;
    const std::string length = std::to_string(behaviour.body.size());
    const bool head = request.method == "HEAD";
    switch (behaviour.kind) {
    case TKind::Serve:
        if (NotModified(behaviour, request)) {
            Send(fd,
                 Head(304, {{"ETag", behaviour.etag}, {"Last-Modified", behaviour.lastModified}}));
            return;
        }
        Send(fd, Head(200, {{"Content-Type", "application/octet-stream"},
                            {"Content-Length", length},
                            {"ETag", behaviour.etag},
                            {"Last-Modified", behaviour.lastModified}}) +
                     (head ? std::string() : behaviour.body));
        return;
    case TKind::Fail: {
        const std::string text =
            std::to_string(behaviour.status) + " " + std::string(Reason(behaviour.status)) + "\n";
        Send(fd, Head(behaviour.status, {{"Content-Type", "text/plain"},
                                         {"Content-Length", std::to_string(text.size())}}) +
                     (head ? std::string() : text));
        return;
    }
    case TKind::StallAfter:
    case TKind::CutAfter: {
        const std::string start = behaviour.body.substr(0, behaviour.bytes);
        if (Send(fd, Head(200, {{"Content-Type", "application/octet-stream"},
                                {"Content-Length", length}}) +
                         start) &&
            behaviour.kind == TKind::StallAfter)
            Hold(fd);
        return;
    }
    case TKind::Silent:
        Hold(fd);
        return;
    case TKind::Redirect:
        Send(fd, Head(302, {{"Location", behaviour.location}, {"Content-Length", "0"}}));
        return;
    }
}

bool TScriptedWebServer::Send(int fd, std::string_view bytes) const {
    return LoopbackSockets::SendAll(fd, stop_.Fd(), bytes.data(), bytes.size());
}

void TScriptedWebServer::Hold(int fd) {
    TWakeup release;
    {
        const std::lock_guard lock(mutex_);
        holding_.push_back(&release);
    }
    ++held_;
    for (;;) {
        pollfd fds[3] = {{stop_.Fd(), POLLIN, 0}, {release.Fd(), POLLIN, 0}, {fd, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0 || fds[0].revents != 0 || fds[1].revents != 0)
            break;
        // What the client sends meanwhile is dropped; its close ends the hold.
        char bytes[4096];
        const ssize_t n = ::recv(fd, bytes, sizeof bytes, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            break;
    }
    --held_;
    const std::lock_guard lock(mutex_);
    std::erase(holding_, &release);
}
