// A 9 MB PDF-sized file uploaded to ostrely-cloud on loopback, against curl posting the same bytes
// in one request in the same run. Prints MB/s for both; run by hand (see README).
#include "cloud/CloudAnswers.h"
#include "cloud/CurlSession.h"
#include "cloud/StorageUploader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kRounds = 5;
constexpr qint64 kSize = 9000000;

double mbPerSecond(qint64 bytes, qint64 ns) {
    return (static_cast<double>(bytes) / 1e6) / (static_cast<double>(ns) / 1e9);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QProcess server;
    server.start(QStringLiteral(OSTRELY_BIN_DIR "/ostrely-cloud"), {});
    server.waitForReadyRead(5000);
    const auto m = QRegularExpression(":(\\d+)").match(QString::fromUtf8(server.readAll()));
    if (!m.hasMatch()) {
        std::fprintf(stderr, "ostrely-cloud did not start\n");
        return 1;
    }
    const QString host = "http://127.0.0.1:" + m.captured(1);

    QTemporaryDir dir;
    const QString path = dir.filePath("2024061514.pdf");
    {
        std::mt19937 rng(1);
        QByteArray bytes(kSize, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }

    std::vector<double> ours;
    std::vector<double> plain;
    for (int round = 0; round < kRounds; ++round) {
        cloud::CurlSession api("bench");
        cloud::HttpExchange ex;
        ex.url = host.toStdString() + "/api/getanonymousqiniuuptokenkey?name=b.pdf";
        cloud::UploadGrant grant;
        if (cloud::parseTokenAnswer(api.perform(ex).body, &grant) != cloud::GrantParse::Ok) {
            std::fprintf(stderr, "no upload token\n");
            return 1;
        }

        cloud::StorageUploader uploader(host);
        QElapsedTimer t;
        t.start();
        if (!uploader.PutToStorage(grant.uptoken, grant.key, path, nullptr)) {
            std::fprintf(stderr, "upload failed: %s\n", uploader.lastError().c_str());
            return 1;
        }
        ours.push_back(mbPerSecond(kSize, t.nsecsElapsed()));

        QProcess curl;
        t.restart();
        curl.start("curl", {"-sf", "-o", "/dev/null", "-H", "Expect:", "-H",
                            "Content-Type: application/octet-stream", "--data-binary", "@" + path,
                            host + "/_sim/sink"});
        curl.waitForFinished(60000);
        const qint64 ns = t.nsecsElapsed();
        if (curl.exitCode() != 0) {
            std::fprintf(stderr, "curl failed\n");
            return 1;
        }
        plain.push_back(mbPerSecond(kSize, ns));
    }
    std::printf("9 MB to ostrely-cloud on loopback, median of %d rounds\n", kRounds);
    std::printf("  storage upload (4 MiB blocks of 256 KiB chunks, checked): %7.1f MB/s\n", median(ours));
    std::printf("  curl, the same bytes in one request (process start included): %7.1f MB/s\n",
                median(plain));
    server.terminate();
    server.waitForFinished(3000);
    return 0;
}
