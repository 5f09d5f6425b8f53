// A tiny HTTP server on 127.0.0.1 that runs on threads of the test program, so the saver can
// be given URLs that answer, fail or never answer.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace e2e {

class HttpServer {
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on an ephemeral port of 127.0.0.1.
    bool Start();
    // Closes every connection, the silent ones included, and waits for the threads.
    void Stop();
    unsigned short Port() const { return port_; }
    std::string Url(const std::string& path) const; // http://127.0.0.1:PORT + path

    // What a path answers; an unknown path gets 404. Served bodies honour byte ranges.
    void Serve(const std::string& path, const std::string& contentType, const std::string& body);
    void ServeStatus(const std::string& path, int status);
    // The request is read and then nothing is ever sent; the connection stays open.
    void ServeSilence(const std::string& path);

    // Request lines seen so far ("GET /red.avi HTTP/1.1"), with any Range header appended.
    std::vector<std::string> Requests() const;
    int Connections() const;

private:
    struct Route {
        int status = 200;
        std::string contentType;
        std::string body;
        bool silent = false;
    };
    struct Client {
        HttpServer* server;
        SOCKET socket;
    };

    static DWORD WINAPI AcceptThread(void* self);
    static DWORD WINAPI ClientThread(void* client);
    void AcceptLoop();
    void Answer(SOCKET socket);
    bool LookUp(const std::string& path, Route* route) const;
    void Note(const std::string& request);

    mutable CRITICAL_SECTION lock_;
    std::map<std::string, Route> routes_;
    std::vector<std::string> requests_;
    std::vector<SOCKET> clientSockets_;
    std::vector<HANDLE> clientThreads_;
    int connections_ = 0;
    SOCKET listener_ = INVALID_SOCKET;
    HANDLE acceptThread_ = nullptr;
    HANDLE stopEvent_ = nullptr;
    unsigned short port_ = 0;
    bool winsockStarted_ = false;
};

// A port of 127.0.0.1 on which nothing listens: a connection there is refused.
unsigned short ClosedPort();

} // namespace e2e
