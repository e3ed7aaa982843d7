#pragma once
// A client that sends exactly the bytes it is given, so tests can send what no well-behaved
// client would: odd paths, odd methods, odd ranges.
#include <map>
#include <string>

namespace testsupport {

struct RawReply {
    int status = 0;  // 0: no answer at all
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

// Connects from source (a loopback address) to 127.0.0.1:port, sends request, reads until
// the server closes or timeoutMs passes.
RawReply rawRequest(int port, const std::string& request, const std::string& source = "127.0.0.1",
                    int timeoutMs = 5000);
// A GET of target with "Connection: close" and any extra header lines.
RawReply rawGet(int port, const std::string& target, const std::string& extra = {},
                const std::string& source = "127.0.0.1");
// An open connection that sends nothing more after part of a request; -1 on failure.
int halfOpenConnection(int port, const std::string& partial);
// True when a connection to the port is refused.
bool connectionRefused(int port);

}  // namespace testsupport
