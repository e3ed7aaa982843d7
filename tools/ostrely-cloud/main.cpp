// ostrely-cloud: a local stand-in for the cloud API host and the storage upload host on
// 127.0.0.1, for tests and demos. It prints "ostrely-cloud listening on 127.0.0.1:PORT" once it
// accepts connections. Faults are chosen with --fail or, while it runs, POST /_sim/fail.
#include "SimCloud.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

const char* kUsage =
    "usage: ostrely-cloud [--port N] [--store DIR] [--domain HOST[:PORT]] [--stall-ms N] "
    "[--fail FAULT]...\n"
    "Faults (also POST /_sim/fail with a space-separated list; POST /_sim/reset clears):\n"
    "  token-empty token-not-json token-not-object token-no-data token-data-not-object\n"
    "  token-wrong-types token-500 token-stall token-huge token-endless token-cutoff token-slow\n"
    "  token-deep (1,001 nested arrays) token-crlf (a line break in the upload token)\n"
    "  info-result-1 info-result-string info-result-float info-empty-object info-not-json\n"
    "  info-500 info-stall info-deep\n"
    "  upload-flaky (one chunk request fails once) upload-fail (every chunk request fails)\n"
    "  upload-bad-crc upload-reject-token upload-stall mkfile-fail upload-deep\n";

struct Options {
    int port = 0;
    std::string store;
    std::string domain;
    std::string faults;
    int stallMs = 35000;
};

std::atomic<bool> g_stopping{false};

void sleepMs(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!g_stopping && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void reply(httplib::Response& res, const simcloud::Answer& a) {
    res.status = a.status;
    res.set_content(a.body, a.contentType.c_str());
}

// The broken ways an answer can arrive: far too big, never ending, cut off, or trickling.
bool brokenAnswer(const simcloud::SimCloud& cloud, const std::string& prefix,
                  httplib::Response& res, const Options& opt) {
    if (prefix == "token" && cloud.fault("token-500")) {
        res.status = 500;
        res.set_content("<html>Internal Server Error</html>", "text/html");
        return true;
    }
    if (cloud.fault(prefix + "-stall")) sleepMs(opt.stallMs);
    if (cloud.fault(prefix + "-huge")) {
        res.set_content(std::string(64u << 20, 'a'), "application/json");
        return true;
    }
    if (cloud.fault(prefix + "-endless")) {
        res.set_chunked_content_provider("application/json", [](size_t, httplib::DataSink& sink) {
            static const std::string piece(16384, ' ');
            return !g_stopping && sink.write(piece.data(), piece.size());
        });
        return true;
    }
    if (cloud.fault(prefix + "-cutoff")) {
        res.set_content_provider(5000, "application/json",
                                 [](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset > 0) return false;  // drop the connection
                                     const std::string head = "{\"Data\":{\"domain\":\"x";
                                     sink.write(head.data(), head.size());
                                     return true;
                                 });
        return true;
    }
    return false;
}

void routes(httplib::Server& svr, simcloud::SimCloud& cloud, const Options& opt) {
    svr.Get("/api/getanonymousqiniuuptokenkey",
            [&](const httplib::Request& req, httplib::Response& res) {
                if (brokenAnswer(cloud, "token", res, opt)) return;
                const simcloud::Answer a = cloud.token(req.get_param_value("name"));
                if (!cloud.fault("token-slow")) return reply(res, a);
                const std::string body = a.body;
                res.set_content_provider(body.size(), "application/json",
                                         [body](size_t offset, size_t, httplib::DataSink& sink) {
                                             sleepMs(20);
                                             sink.write(body.data() + offset, 1);
                                             return true;
                                         });
            });
    svr.Post("/api/qiniuaddanonymousfileinfo",
             [&](const httplib::Request& req, httplib::Response& res) {
                 if (brokenAnswer(cloud, "info", res, opt)) return;
                 reply(res, cloud.fileInfo(req.body));
             });
    auto auth = [](const httplib::Request& req) { return req.get_header_value("Authorization"); };
    // Copied into each route: routes() returns long before the requests come.
    auto stallUpload = [&cloud, &opt] {
        if (cloud.fault("upload-stall")) sleepMs(opt.stallMs);
    };
    svr.Post(R"(/mkblk/(\d+))",
             [&, auth, stallUpload](const httplib::Request& req, httplib::Response& res) {
                 stallUpload();
                 reply(res, cloud.makeBlock(auth(req), std::stoll(req.matches[1]), req.body));
             });
    svr.Post(R"(/bput/([^/]+)/(\d+))", [&, auth, stallUpload](const httplib::Request& req,
                                                              httplib::Response& res) {
        stallUpload();
        reply(res, cloud.putChunk(auth(req), req.matches[1], std::stoll(req.matches[2]), req.body));
    });
    svr.Post(R"(/mkfile/(\d+)/key/([^/]+))", [&, auth, stallUpload](const httplib::Request& req,
                                                                    httplib::Response& res) {
        reply(res, cloud.makeFile(auth(req), std::stoll(req.matches[1]), req.matches[2], req.body));
    });
    svr.Post("/", [&](const httplib::Request& req, httplib::Response& res) {
        auto field = [&](const char* name) {
            return req.has_file(name) ? req.get_file_value(name).content : std::string();
        };
        if (!req.is_multipart_form_data() || !req.has_file("file"))
            return reply(res, {400, R"({"error":"form upload needs token, key and file"})"});
        reply(res, cloud.formUpload(field("token"), field("key"), field("file")));
    });
    svr.Post("/_sim/fail", [&](const httplib::Request& req, httplib::Response& res) {
        cloud.setFaults(req.body);
        res.set_content("ok", "text/plain");
    });
    svr.Post("/_sim/reset", [&](const httplib::Request&, httplib::Response& res) {
        cloud.reset();
        res.set_content("ok", "text/plain");
    });
    svr.Get("/_sim/stats", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(cloud.stats(), "application/json");
    });
    // Takes a body in one request and forgets it: the yardstick of the upload benchmark.
    svr.Post("/_sim/sink", [&](const httplib::Request& req, httplib::Response& res) {
        res.set_content(std::to_string(req.body.size()), "text/plain");
    });
    svr.Get(R"(/(.+))", [&](const httplib::Request& req, httplib::Response& res) {
        std::string bytes;
        const std::string key = req.matches[1];
        if (!cloud.stored(key, &bytes)) return reply(res, {404, R"({"error":"no such key"})"});
        const bool pdf = key.size() > 4 && key.compare(key.size() - 4, 4, ".pdf") == 0;
        res.set_content(bytes, pdf ? "application/pdf" : "application/octet-stream");
    });
}

bool parseArgs(int argc, char** argv, Options* opt) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--port" && hasValue)
            opt->port = std::atoi(argv[++i]);
        else if (a == "--store" && hasValue)
            opt->store = argv[++i];
        else if (a == "--domain" && hasValue)
            opt->domain = argv[++i];
        else if (a == "--stall-ms" && hasValue)
            opt->stallMs = std::atoi(argv[++i]);
        else if (a == "--fail" && hasValue)
            opt->faults += std::string(" ") + argv[++i];
        else
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!parseArgs(argc, argv, &opt)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    simcloud::SimCloud cloud(opt.store);
    cloud.setFaults(opt.faults);
    httplib::Server svr;
    svr.set_payload_max_length(64u << 20);
    // Header and body go out in separate writes; without this each answer waits on a delayed ACK.
    svr.set_tcp_nodelay(true);
    routes(svr, cloud, opt);
    const int port = opt.port == 0 ? svr.bind_to_any_port("127.0.0.1")
                                   : (svr.bind_to_port("127.0.0.1", opt.port) ? opt.port : -1);
    if (port <= 0) {
        std::fprintf(stderr, "ostrely-cloud: cannot listen on 127.0.0.1:%d\n", opt.port);
        return 1;
    }
    cloud.setDomain(opt.domain.empty() ? "127.0.0.1:" + std::to_string(port) : opt.domain);
    std::printf("ostrely-cloud listening on 127.0.0.1:%d\n", port);
    std::fflush(stdout);
    const bool ok = svr.listen_after_bind();
    g_stopping = true;
    return ok ? 0 : 1;
}
