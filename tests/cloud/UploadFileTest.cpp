// A whole share's exchange with ostrely-cloud, and every way the cloud can let it down.
#include "CloudProcess.h"

#include "cloud/CloudUploader.h"
#include "cloud/HttpClient.h"
#include "cloud/StorageUploader.h"
#include "tests/support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace cloud;
using testsupport::sharedCloud;

namespace {

class UploadFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sharedCloud().running());
        sharedCloud().reset();
        QFile f(m_dir.file("2024061514.pdf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        m_bytes = std::string(1234, 'p');
        f.write(m_bytes.data(), static_cast<qint64>(m_bytes.size()));
    }
    int share(QString* link, long timeoutMs = 3000) {
        CHttpClient client("UTF-8");
        CloudConfig config = sharedCloud().config(timeoutMs);
        client.setLimits(config.limits());
        CloudUploader uploader(client, config);
        return uploader.UploadFile(m_dir.path() + "/", "2024061514.pdf", *link, nullptr);
    }
    testsupport::TempDir m_dir;
    std::string m_bytes;
};

}  // namespace

TEST_F(UploadFileTest, ASuccessfulShareGivesALinkThatDownloadsTheFile) {
    QString link;
    ASSERT_EQ(share(&link), kUploaded);
    const QString prefix = QString("http://127.0.0.1:%1/").arg(sharedCloud().port());
    ASSERT_TRUE(link.startsWith(prefix)) << link.toStdString();
    EXPECT_TRUE(link.endsWith("-2024061514.pdf"));
    std::string stored;
    ASSERT_TRUE(sharedCloud().download(link.mid(prefix.size()).toStdString(), &stored));
    EXPECT_EQ(stored, m_bytes);
    EXPECT_NE(sharedCloud().stats().find("\"registered\":1"), std::string::npos);
}

TEST_F(UploadFileTest, TheFileInformationMustAnswerTheIntegerZero) {
    for (const char* fault : {"info-result-1", "info-result-string", "info-result-float",
                              "info-empty-object", "info-not-json"}) {
        sharedCloud().setFaults(fault);
        QString link = "untouched";
        EXPECT_EQ(share(&link), kFileInfoRefused) << fault;
        EXPECT_EQ(link, "untouched");
    }
    sharedCloud().setFaults("info-500");  // zero behind an error status still counts
    QString link;
    EXPECT_EQ(share(&link), kUploaded);
}

TEST_F(UploadFileTest, TokenAnswersThatAreEmptyOrMisshapenEndTheShare) {
    const std::pair<const char*, int> cases[] = {{"token-empty", kNoToken},
                                                 {"token-500", kBadTokenAnswer},
                                                 {"token-not-json", kBadTokenAnswer},
                                                 {"token-not-object", kBadTokenAnswer},
                                                 {"token-no-data", kBadTokenAnswer},
                                                 {"token-data-not-object", kBadTokenAnswer},
                                                 {"token-wrong-types", kBadTokenAnswer}};
    for (const auto& [fault, expected] : cases) {
        sharedCloud().setFaults(fault);
        QString link;
        EXPECT_EQ(share(&link), expected) << fault;
    }
}

TEST_F(UploadFileTest, BrokenTokenAnswersNeverHangTheShare) {
    // Huge and endless answers hit the cap, a stall or a trickle the time-out, a cut-off answer
    // the transport error: all of them leave no answer text.
    for (const char* fault :
         {"token-huge", "token-endless", "token-stall", "token-cutoff", "token-slow"}) {
        sharedCloud().setFaults(fault);
        QString link;
        EXPECT_EQ(share(&link, 300), kNoToken) << fault;
    }
}

TEST_F(UploadFileTest, AStallingFileInformationRequestIsRefused) {
    sharedCloud().setFaults("info-stall");
    QString link;
    EXPECT_EQ(share(&link, 300), kFileInfoRefused);
}

TEST_F(UploadFileTest, AFailedStorageUploadGivesThree) {
    sharedCloud().setFaults("upload-fail");
    QString link;
    EXPECT_EQ(share(&link), kStorageFailed);
    EXPECT_NE(sharedCloud().stats().find("\"fileInfoRequests\":0"), std::string::npos);
}

TEST_F(UploadFileTest, AnUnreachableApiGivesNoToken) {
    CHttpClient client("UTF-8");
    CloudUploader uploader(client, CloudConfig("127.0.0.1:1", sharedCloud().storageUrl()));
    QString link;
    EXPECT_EQ(uploader.UploadFile(m_dir.path() + "/", "2024061514.pdf", link, nullptr), kNoToken);
}

TEST_F(UploadFileTest, HostileAnswersEndTheShareWithTheirStepsResult) {
    // Nested deeper than the JSON reader's own limit, at each place an answer is read, and a
    // token that would carry a header of its own into the storage request.
    sharedCloud().setFaults("token-crlf");
    QString refused = "untouched";
    EXPECT_EQ(share(&refused), kBadTokenAnswer);
    EXPECT_NE(sharedCloud().stats().find("\"chunkRequests\":0"), std::string::npos);

    const std::pair<const char*, int> cases[] = {{"token-deep", kBadTokenAnswer},
                                                 {"info-deep", kFileInfoRefused},
                                                 {"upload-deep", kStorageFailed}};
    for (const auto& [fault, expected] : cases) {
        sharedCloud().setFaults(fault);
        QString link = "untouched";
        EXPECT_EQ(share(&link), expected) << fault;
        EXPECT_EQ(link, "untouched") << fault;
    }
}

TEST_F(UploadFileTest, AnUnsafeTokenOrKeyNeverReachesTheStorage) {
    StorageUploader storage(sharedCloud().storageUrl());
    std::string token, key;
    ASSERT_TRUE(sharedCloud().grant("2024061514.pdf", &token, &key));
    const QString path = m_dir.path() + "/2024061514.pdf";
    EXPECT_FALSE(storage.PutToStorage(token + "\r\nX-Injected: 1", key, path, nullptr));
    EXPECT_FALSE(storage.PutToStorage(token, key + "\n", path, nullptr));
    EXPECT_NE(sharedCloud().stats().find("\"chunkRequests\":0"), std::string::npos);
    EXPECT_TRUE(storage.PutToStorage(token, key, path, nullptr));  // the clean grant goes
}
