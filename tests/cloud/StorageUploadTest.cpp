// The storage upload against ostrely-cloud: sizes at every block and chunk edge, retries, faults,
// and the server's own checks of the protocol.
#include "CloudProcess.h"

#include "cloud/CurlSession.h"
#include "cloud/StorageProgress.h"
#include "cloud/StorageUploader.h"
#include "tests/support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

using cloud::StorageUploader;
using testsupport::sharedCloud;

namespace {

class RecordedProgress : public cloud::StorageProgress {
public:
    void begin(std::int64_t total) override { totals.push_back(total); }
    void advance(std::int64_t done) override { steps.push_back(done); }
    std::vector<std::int64_t> totals;
    std::vector<std::int64_t> steps;
};

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

class StorageUpload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sharedCloud().running());
        sharedCloud().reset();
    }
    QString writeFile(const std::string& bytes) {
        const QString path = m_dir.file("upload.pdf");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }
    std::unique_ptr<StorageUploader> uploader(long timeoutMs = 3000) {
        auto u = std::make_unique<StorageUploader>(sharedCloud().storageUrl());
        cloud::HttpLimits limits;
        limits.totalTimeoutMs = timeoutMs;
        u->setLimits(limits);
        return u;
    }
    bool upload(const std::string& bytes, std::string* key, RecordedProgress* progress,
                long timeoutMs = 3000) {
        std::string token;
        if (!sharedCloud().grant("file.pdf", &token, key)) return false;
        return uploader(timeoutMs)->PutToStorage(token, *key, writeFile(bytes), progress);
    }
    testsupport::TempDir m_dir;
};

}  // namespace

TEST_F(StorageUpload, FilesAtEveryChunkAndBlockEdgeArriveByteForByte) {
    const std::int64_t chunk = StorageUploader::kChunkSize;
    const std::int64_t block = StorageUploader::kBlockSize;
    unsigned seed = 1;
    for (std::int64_t size : {std::int64_t(0), std::int64_t(1), chunk, chunk + 1, block, block + 1,
                              std::int64_t(9000000)}) {
        const std::string bytes = randomBytes(static_cast<size_t>(size), seed++);
        std::string key;
        RecordedProgress progress;
        ASSERT_TRUE(upload(bytes, &key, &progress)) << size;
        std::string stored;
        ASSERT_TRUE(sharedCloud().download(key, &stored)) << size;
        EXPECT_EQ(stored.size(), bytes.size());
        EXPECT_TRUE(stored == bytes) << size;
        ASSERT_EQ(progress.totals, std::vector<std::int64_t>{size});
        // Over the whole file, one step per chunk, never backwards, ending at the size.
        const std::int64_t chunks =
            (size % block + chunk - 1) / chunk + (size / block) * (block / chunk);
        EXPECT_EQ(static_cast<std::int64_t>(progress.steps.size()), chunks) << size;
        if (size > 0) EXPECT_EQ(progress.steps.back(), size);
        for (size_t i = 1; i < progress.steps.size(); ++i)
            EXPECT_GT(progress.steps[i], progress.steps[i - 1]);
    }
}

TEST_F(StorageUpload, AFailedChunkIsSentAgainAndTheUploadSucceeds) {
    sharedCloud().setFaults("upload-flaky");
    const std::string bytes = randomBytes(600000, 7);
    std::string key;
    RecordedProgress progress;
    ASSERT_TRUE(upload(bytes, &key, &progress));
    std::string stored;
    ASSERT_TRUE(sharedCloud().download(key, &stored));
    EXPECT_TRUE(stored == bytes);
    EXPECT_NE(sharedCloud().stats().find("\"injectedFailures\":1"), std::string::npos);
}

TEST_F(StorageUpload, AServerThatKeepsFailingOrLiesEndsInFailure) {
    const std::string bytes = randomBytes(300000, 9);
    for (const char* fault :
         {"upload-fail", "upload-bad-crc", "upload-reject-token", "mkfile-fail"}) {
        sharedCloud().setFaults(fault);
        std::string key;
        RecordedProgress progress;
        EXPECT_FALSE(upload(bytes, &key, &progress)) << fault;
        std::string stored;
        EXPECT_FALSE(sharedCloud().download(key, &stored)) << fault;
    }
    // Four tries of the first chunk, then it gives up.
    sharedCloud().reset();
    sharedCloud().setFaults("upload-fail");
    std::string key;
    RecordedProgress progress;
    EXPECT_FALSE(upload(bytes, &key, &progress));
    EXPECT_NE(sharedCloud().stats().find("\"chunkRequests\":4"), std::string::npos);
}

TEST_F(StorageUpload, AStallingStorageEndsInFailureNotAHang) {
    sharedCloud().setFaults("upload-stall");
    std::string key;
    RecordedProgress progress;
    EXPECT_FALSE(upload(randomBytes(1000, 3), &key, &progress, 150));
}

TEST_F(StorageUpload, AMissingFileFailsWithAnEmptyRange) {
    RecordedProgress progress;
    EXPECT_FALSE(uploader()->PutToStorage("t", "k", m_dir.file("absent.pdf"), &progress));
    EXPECT_EQ(progress.totals, std::vector<std::int64_t>{0});
}

TEST(SimulatedStorage, RejectsAWrongTokenChunksOutOfOrderAndAForeignKey) {
    ASSERT_TRUE(sharedCloud().running());
    sharedCloud().reset();
    std::string token, key;
    ASSERT_TRUE(sharedCloud().grant("a.pdf", &token, &key));
    cloud::CurlSession s("tests");
    auto post = [&](const std::string& path, const std::string& auth, const std::string& body) {
        cloud::HttpExchange ex;
        ex.verb = "POST";
        ex.url = sharedCloud().storageUrl().toStdString() + path;
        ex.headers = {"Authorization: UpToken " + auth};
        ex.hasBody = true;
        ex.body = body;
        return s.perform(ex);
    };
    EXPECT_EQ(post("/mkblk/8", "forged", "abcd").status, 401);
    const cloud::HttpReply first = post("/mkblk/8", token, "abcd");
    ASSERT_EQ(first.status, 200);
    const std::string ctx = first.body.substr(first.body.find("\"ctx\":\"") + 7, std::string::npos);
    const std::string ctxValue = ctx.substr(0, ctx.find('"'));
    EXPECT_EQ(post("/bput/" + ctxValue + "/2", token, "efgh").status, 701);  // offset 4 expected
    EXPECT_EQ(post("/bput/" + ctxValue + "/4", token, "efgh").status, 200);
    EXPECT_EQ(post("/bput/" + ctxValue + "/4", token, "efgh").status, 701);  // ctx used up
    EXPECT_EQ(post("/mkfile/8/key/Zm9yZWlnbg==", token, ctxValue).status, 403);
}
