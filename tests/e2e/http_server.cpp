#include "http_server.h"

#include <ws2tcpip.h>

#include <stdlib.h>
#include <string.h>

namespace e2e {

namespace {

// Longest request head read; anything longer is answered as it stands.
constexpr size_t kMaxRequestHead = 16384;
constexpr DWORD kThreadJoinMs = 5000;

const char* StatusText(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

bool SendAll(SOCKET socket, const char* data, size_t size) {
    while (size > 0) {
        int chunk = size > 65536 ? 65536 : (int)size;
        int sent = send(socket, data, chunk, 0);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= (size_t)sent;
    }
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = (char)(c - 'A' + 'a');
        }
    }
    return text;
}

// The value of a header in the request head, or "" when absent.
std::string HeaderValue(const std::string& head, const char* name) {
    std::string lowerHead = Lower(head);
    std::string key = std::string("\r\n") + Lower(name) + ":";
    size_t at = lowerHead.find(key);
    if (at == std::string::npos) {
        return std::string();
    }
    size_t start = at + key.size();
    size_t end = head.find("\r\n", start);
    std::string value = head.substr(start, end == std::string::npos ? std::string::npos
                                                                     : end - start);
    while (!value.empty() && value[0] == ' ') {
        value.erase(0, 1);
    }
    return value;
}

// Parses "bytes=A-B", "bytes=A-" and "bytes=-N" against a body of the given size.
bool ParseRange(const std::string& value, size_t size, size_t* first, size_t* last) {
    if (value.compare(0, 6, "bytes=") != 0 || size == 0) {
        return false;
    }
    std::string bounds = value.substr(6);
    size_t dash = bounds.find('-');
    if (dash == std::string::npos) {
        return false;
    }
    std::string a = bounds.substr(0, dash);
    std::string b = bounds.substr(dash + 1);
    if (a.empty()) {
        size_t tail = (size_t)strtoull(b.c_str(), nullptr, 10);
        if (tail == 0) {
            return false;
        }
        *first = tail >= size ? 0 : size - tail;
        *last = size - 1;
        return true;
    }
    *first = (size_t)strtoull(a.c_str(), nullptr, 10);
    *last = b.empty() ? size - 1 : (size_t)strtoull(b.c_str(), nullptr, 10);
    if (*last >= size) {
        *last = size - 1;
    }
    return *first < size && *first <= *last;
}

} // namespace

HttpServer::HttpServer() {
    InitializeCriticalSection(&lock_);
    stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

HttpServer::~HttpServer() {
    Stop();
    CloseHandle(stopEvent_);
    DeleteCriticalSection(&lock_);
}

bool HttpServer::Start() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return false;
    }
    winsockStarted_ = true;
    ResetEvent(stopEvent_);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) {
        return false;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(listener_, (sockaddr*)&address, sizeof(address)) != 0 ||
        listen(listener_, SOMAXCONN) != 0) {
        return false;
    }
    int length = sizeof(address);
    if (getsockname(listener_, (sockaddr*)&address, &length) != 0) {
        return false;
    }
    port_ = ntohs(address.sin_port);
    acceptThread_ = CreateThread(nullptr, 0, AcceptThread, this, 0, nullptr);
    return acceptThread_ != nullptr;
}

void HttpServer::Stop() {
    SetEvent(stopEvent_);
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    if (acceptThread_) {
        WaitForSingleObject(acceptThread_, kThreadJoinMs);
        CloseHandle(acceptThread_);
        acceptThread_ = nullptr;
    }
    std::vector<HANDLE> threads;
    EnterCriticalSection(&lock_);
    for (SOCKET s : clientSockets_) {
        shutdown(s, SD_BOTH);
    }
    threads.swap(clientThreads_);
    LeaveCriticalSection(&lock_);
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, kThreadJoinMs);
        CloseHandle(thread);
    }
    if (winsockStarted_) {
        WSACleanup();
        winsockStarted_ = false;
    }
}

std::string HttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpServer::Serve(const std::string& path, const std::string& contentType,
                       const std::string& body) {
    EnterCriticalSection(&lock_);
    Route& route = routes_[path];
    route = Route();
    route.contentType = contentType;
    route.body = body;
    LeaveCriticalSection(&lock_);
}

void HttpServer::ServeStatus(const std::string& path, int status) {
    EnterCriticalSection(&lock_);
    Route& route = routes_[path];
    route = Route();
    route.status = status;
    route.contentType = "text/html";
    route.body = "<html><body>" + std::to_string(status) + "</body></html>";
    LeaveCriticalSection(&lock_);
}

void HttpServer::ServeSilence(const std::string& path) {
    EnterCriticalSection(&lock_);
    Route& route = routes_[path];
    route = Route();
    route.silent = true;
    LeaveCriticalSection(&lock_);
}

std::vector<std::string> HttpServer::Requests() const {
    EnterCriticalSection(&lock_);
    std::vector<std::string> copy = requests_;
    LeaveCriticalSection(&lock_);
    return copy;
}

int HttpServer::Connections() const {
    EnterCriticalSection(&lock_);
    int count = connections_;
    LeaveCriticalSection(&lock_);
    return count;
}

DWORD WINAPI HttpServer::AcceptThread(void* self) {
    static_cast<HttpServer*>(self)->AcceptLoop();
    return 0;
}

void HttpServer::AcceptLoop() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            return; // the listener was closed
        }
        Client* work = new Client{this, client};
        EnterCriticalSection(&lock_);
        ++connections_;
        clientSockets_.push_back(client);
        HANDLE thread = CreateThread(nullptr, 0, ClientThread, work, 0, nullptr);
        if (thread) {
            clientThreads_.push_back(thread);
        }
        LeaveCriticalSection(&lock_);
        if (!thread) {
            closesocket(client);
            delete work;
        }
    }
}

DWORD WINAPI HttpServer::ClientThread(void* client) {
    Client* work = static_cast<Client*>(client);
    work->server->Answer(work->socket);
    EnterCriticalSection(&work->server->lock_);
    std::vector<SOCKET>& sockets = work->server->clientSockets_;
    for (size_t i = 0; i < sockets.size(); i++) {
        if (sockets[i] == work->socket) {
            sockets.erase(sockets.begin() + (ptrdiff_t)i);
            break;
        }
    }
    LeaveCriticalSection(&work->server->lock_);
    closesocket(work->socket);
    delete work;
    return 0;
}

bool HttpServer::LookUp(const std::string& path, Route* route) const {
    EnterCriticalSection(&lock_);
    auto found = routes_.find(path);
    bool known = found != routes_.end();
    if (known) {
        *route = found->second;
    }
    LeaveCriticalSection(&lock_);
    return known;
}

void HttpServer::Note(const std::string& request) {
    EnterCriticalSection(&lock_);
    requests_.push_back(request);
    LeaveCriticalSection(&lock_);
}

// One request per connection; the answer closes it.
void HttpServer::Answer(SOCKET socket) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestHead) {
        int got = recv(socket, buffer, sizeof(buffer), 0);
        if (got <= 0) {
            return;
        }
        head.append(buffer, (size_t)got);
    }
    std::string requestLine = head.substr(0, head.find("\r\n"));
    std::string range = HeaderValue(head, "Range");
    Note(range.empty() ? requestLine : requestLine + " Range: " + range);

    std::string method = requestLine.substr(0, requestLine.find(' '));
    size_t pathStart = requestLine.find(' ');
    size_t pathEnd = requestLine.find(' ', pathStart + 1);
    std::string path = pathStart == std::string::npos
                           ? std::string("/")
                           : requestLine.substr(pathStart + 1, pathEnd == std::string::npos
                                                                    ? std::string::npos
                                                                    : pathEnd - pathStart - 1);
    Route route;
    if (!LookUp(path, &route)) {
        route.status = 404;
        route.contentType = "text/html";
        route.body = "<html><body>404</body></html>";
    }
    if (route.silent) {
        WaitForSingleObject(stopEvent_, INFINITE);
        return;
    }

    int status = route.status;
    size_t first = 0;
    size_t last = route.body.empty() ? 0 : route.body.size() - 1;
    bool partial = false;
    if (status == 200 && !range.empty()) {
        if (ParseRange(range, route.body.size(), &first, &last)) {
            status = 206;
            partial = true;
        } else {
            status = 416;
        }
    }
    size_t length = status == 416 ? 0 : (route.body.empty() ? 0 : last - first + 1);
    std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) +
                         "\r\nContent-Type: " +
                         (route.contentType.empty() ? std::string("application/octet-stream")
                                                    : route.contentType) +
                         "\r\nContent-Length: " + std::to_string(length) +
                         "\r\nAccept-Ranges: bytes\r\nConnection: close\r\n";
    if (partial) {
        answer += "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) +
                  "/" + std::to_string(route.body.size()) + "\r\n";
    } else if (status == 416) {
        answer += "Content-Range: bytes */" + std::to_string(route.body.size()) + "\r\n";
    }
    answer += "\r\n";
    if (!SendAll(socket, answer.data(), answer.size())) {
        return;
    }
    if (method != "HEAD" && length > 0) {
        SendAll(socket, route.body.data() + first, length);
    }
    shutdown(socket, SD_SEND);
    // Let the client read to the end before the socket closes.
    while (recv(socket, buffer, sizeof(buffer), 0) > 0) {
    }
}

unsigned short ClosedPort() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return 9;
    }
    unsigned short port = 9;
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (probe != INVALID_SOCKET) {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        if (bind(probe, (sockaddr*)&address, sizeof(address)) == 0 &&
            getsockname(probe, (sockaddr*)&address, &length) == 0) {
            port = ntohs(address.sin_port);
        }
        closesocket(probe); // bound, never listened: connections are refused
    }
    WSACleanup();
    return port;
}

} // namespace e2e
