#include "pictures/BoardCommand.h"

#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>

using pictures::BoardCommand;
using pictures::Placement;

TEST(BoardCommandFit, PicturesFittedCentredAndScaledToTheDisplay) {
    const QSize screen(1920, 1080);
    EXPECT_EQ(BoardCommand::fit({1600, 1200}, screen, BoardCommand::scaleForDpi(96)),
              (Placement{1440, 1080, 240, 0}));
    EXPECT_EQ(BoardCommand::fit({1600, 1200}, screen, BoardCommand::scaleForDpi(120)),
              (Placement{1152, 864, 192, 0}));
    EXPECT_EQ(BoardCommand::fit({1200, 400}, screen, 1.0f), (Placement{1920, 640, 0, 220}));
    // Odd leftovers halve toward zero; a portrait picture stands in the middle.
    EXPECT_EQ(BoardCommand::fit({1000, 1001}, {1921, 1081}, 1.0f), (Placement{1079, 1081, 421, 0}));
    EXPECT_EQ(BoardCommand::fit({1920, 1080}, screen, 1.5f), (Placement{1280, 720, 0, 0}));
}

TEST(BoardCommandFit, NoSizeNoPlacement) {
    EXPECT_FALSE(BoardCommand::fit({}, {1920, 1080}, 1.0f));
    EXPECT_FALSE(BoardCommand::fit({0, 400}, {1920, 1080}, 1.0f));
    EXPECT_FALSE(BoardCommand::fit({400, 400}, {}, 1.0f));
}

TEST(BoardCommandScale, DpiOverNinetySix) {
    EXPECT_EQ(BoardCommand::scaleForDpi(96), 1.0f);
    EXPECT_EQ(BoardCommand::scaleForDpi(120), 1.25f);
    EXPECT_EQ(BoardCommand::scaleForDpi(144), 1.5f);
    EXPECT_EQ(BoardCommand::scaleForDpi(0), 1.0f) << "unknown DPI";
    EXPECT_EQ(BoardCommand::scaleForDpi(-5), 1.0f);
}

TEST(BoardCommandBase64, StandardAlphabetWithPadding) {
    EXPECT_EQ(BoardCommand::base64("abc"), "YWJj");
    EXPECT_EQ(BoardCommand::base64("abcd"), "YWJjZA==");
    EXPECT_EQ(BoardCommand::base64("abcde"), "YWJjZGU=");
    EXPECT_EQ(BoardCommand::base64(""), "");
    EXPECT_EQ(BoardCommand::base64(QByteArray("\xfb\xff\xbf", 3)), "+/+/");
    EXPECT_FALSE(BoardCommand::base64(QByteArray(200, 'x')).contains('\n'));
}

TEST(BoardCommandJson, TheCommandByteForByte) {
    const QString json =
        BoardCommand::json("C:\\Temp\\KBCamera\\image\\0000000007.jpg", {1440, 1080, 240, 0});
    EXPECT_EQ(json.toStdString(),
              "{\"sender\":\"orbsnaps\",\"target\":\"board\",\"action\":\"insert\",\"data\":{"
              "\"type\":\"image\",\"file\":\"C:\\\\Temp\\\\KBCamera\\\\image\\\\0000000007.jpg\","
              "\"newpage\":true,\"size\":{\"w\":1440,\"h\":1080},\"location\": {\"x\": 240,"
              "\"y\" : 0}}}");
    const QString parameters = BoardCommand::relayParameters(json);
    ASSERT_TRUE(parameters.startsWith("json2wb="));
    EXPECT_EQ(QByteArray::fromBase64(parameters.mid(8).toLatin1()), json.toLatin1())
        << "an ASCII command is its own bytes";
}

TEST(BoardCommandJson, PathsAJsonReaderGetsBackUnchanged) {
    const QString paths[] = {
        "/tmp/ostrely-0/KBCamera/image/0000000012.jpg",
        "/home/anna/\"quoted\"\\back/0000000001.jpg",
        QString("/tmp/tab\there/new\nline/\x01\x1f/x.jpg"),
        "/home/Zoë/Фото/图片/0000000002.jpg",
        "/tmp/%1%2%3/0000000003.jpg",
    };
    for (const QString& path : paths) {
        const QString parameters =
            BoardCommand::relayParameters(BoardCommand::json(path, {1, 2, 3, 4}));
        const QByteArray bytes = QByteArray::fromBase64(parameters.mid(8).toLatin1());
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << bytes.toStdString();
        const QJsonObject data = doc["data"].toObject();
        EXPECT_EQ(data["file"].toString(), path);
        EXPECT_EQ(data["size"]["w"].toInt(), 1);
        EXPECT_EQ(data["location"]["y"].toInt(), 4);
        EXPECT_EQ(doc["sender"].toString(), "orbsnaps");
    }
    EXPECT_EQ(BoardCommand::escaped(QString("a\x01"
                                            "b")),
              "a\\u0001b");
}
