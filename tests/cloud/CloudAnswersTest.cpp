// What the cloud API's answers mean, and the texts built for it.
#include "cloud/ChunkAnswer.h"
#include "cloud/CloudAnswers.h"
#include "cloud/JsonAnswer.h"

#include <QString>

#include <gtest/gtest.h>

using namespace cloud;

TEST(FileInfoAnswer, OnlyTheIntegerZeroIsAccepted) {
    EXPECT_TRUE(fileInfoAccepted(R"({"Result":0})"));
    EXPECT_TRUE(fileInfoAccepted(R"({"Result":0,"Message":"ok"} )"));
    EXPECT_TRUE(fileInfoAccepted("/* note */ {\"Result\":0}"));
    for (const char* refused : {R"({"Result":"0"})", R"({"Result":0.0})", R"({"Result":1})",
                                R"({"Result":-0.0})", R"({"Result":null})", R"({"Result":false})",
                                "{}", "[0]", "0", "", "Result=0", R"({"result":0})"})
        EXPECT_FALSE(fileInfoAccepted(refused)) << refused;
}

TEST(TokenAnswer, TheThreeStringsUnderData) {
    UploadGrant g;
    ASSERT_EQ(parseTokenAnswer(R"({"Code":0,"Data":{"domain":"d.example","uptoken":"t:1",
              "key":"k.pdf","extra":[1]},"More":true})",
                               &g),
              GrantParse::Ok);
    EXPECT_EQ(g.domain, "d.example");
    EXPECT_EQ(g.uptoken, "t:1");
    EXPECT_EQ(g.key, "k.pdf");
}

TEST(TokenAnswer, NotJsonAndWrongShapesAreToldApart) {
    UploadGrant g;
    EXPECT_EQ(parseTokenAnswer("<html>", &g), GrantParse::NotJson);
    EXPECT_EQ(parseTokenAnswer(R"({"Data":{"domain":"d")", &g), GrantParse::NotJson);
    for (const char* shape : {"[1,2]", "\"text\"", "{}", R"({"Data":"x"})", R"({"Data":[]})",
                              R"({"Data":{"domain":"d","uptoken":"t"}})",
                              R"({"Data":{"domain":1,"uptoken":"t","key":"k"}})",
                              R"({"Data":{"domain":"d","uptoken":true,"key":"k"}})",
                              R"({"Data":{"domain":"d","uptoken":"t","key":{}}})"})
        EXPECT_EQ(parseTokenAnswer(shape, &g), GrantParse::WrongShape) << shape;
}

TEST(FileInfoBody, CarriesNameKeySizeAndTheFixedMembers) {
    EXPECT_EQ(
        fileInfoBody("2024061514.pdf", "abc", 1234),
        R"({"name":"2024061514.pdf","link":"abc","type":"pdf","server":"qiniu","size":1234})");
}

TEST(FileInfoBody, AKeyFromTheServerCannotBreakOutOfItsString) {
    const std::string body = fileInfoBody("n.pdf", R"(a","size":0,"x":"\)", 5);
    EXPECT_EQ(
        body,
        R"({"name":"n.pdf","link":"a\",\"size\":0,\"x\":\"\\","type":"pdf","server":"qiniu","size":5})");
}

TEST(DownloadLink, DomainSlashKey) {
    EXPECT_EQ(downloadLink("D", "K"), "http://D/K");
}

TEST(JsonLimits, NestingIsCountedOutsideStringsAndRefusedPastTheLimit) {
    EXPECT_EQ(jsonNestingDepth(""), 0);
    EXPECT_EQ(jsonNestingDepth(R"({"a":[1,{"b":2}],"c":[]})"), 3);
    EXPECT_EQ(jsonNestingDepth(R"({"a":"[[[[\"[[[["})"),
              1);                               // brackets and an escaped quote in a string
    EXPECT_EQ(jsonNestingDepth("]]]}}[["), 2);  // stray closers do not go below zero

    // An accepted answer with arrays nested inside it, depth levels in all.
    const auto answerOfDepth = [](int depth) {
        return R"({"Result":0,"x":)" + std::string(depth - 1, '[') + std::string(depth - 1, ']') +
               "}";
    };
    EXPECT_TRUE(fileInfoAccepted(answerOfDepth(kMaxJsonDepth)));
    EXPECT_FALSE(fileInfoAccepted(answerOfDepth(kMaxJsonDepth + 1)));
    EXPECT_FALSE(fileInfoAccepted(answerOfDepth(1001)));  // past jsoncpp's own limit: no throw
    EXPECT_FALSE(fileInfoAccepted(answerOfDepth(30000)));
    // Unclosed openers count as deeply as closed ones.
    EXPECT_FALSE(fileInfoAccepted(R"({"Result":0,"x":)" + std::string(5000, '{')));
}

TEST(JsonLimits, AnAnswerPastTheSizeCapIsNotParsed) {
    const std::string member = R"({"Result":0,"pad":")";
    std::string atCap = member + std::string(kMaxJsonAnswerBytes - member.size() - 2, 'x') + "\"}";
    ASSERT_EQ(atCap.size(), kMaxJsonAnswerBytes);
    EXPECT_TRUE(fileInfoAccepted(atCap));
    atCap.insert(member.size(), "x");
    EXPECT_FALSE(fileInfoAccepted(atCap));
}

TEST(JsonLimits, DeepOrHugeAnswersAreRefusedAtEveryReader) {
    const std::string deep = std::string(1001, '[') + std::string(1001, ']');
    UploadGrant g;
    EXPECT_EQ(parseTokenAnswer(deep, &g), GrantParse::NotJson);
    EXPECT_EQ(parseTokenAnswer(R"({"Data":)" + deep + "}", &g), GrantParse::NotJson);
    EXPECT_FALSE(fileInfoAccepted(deep));
    EXPECT_FALSE(fileInfoAccepted(R"({"Result":0,"x":)" + deep + "}"));
    std::string ctx;
    EXPECT_FALSE(readChunkAnswer(deep, 5, 0, &ctx));
    EXPECT_FALSE(
        readChunkAnswer(R"({"ctx":"c","offset":5,"crc32":0,"x":)" + deep + "}", 5, 0, &ctx));
    EXPECT_TRUE(readChunkAnswer(R"({"ctx":"c","offset":5,"crc32":0})", 5, 0, &ctx));
    EXPECT_EQ(ctx, "c");
}

TEST(TokenAnswer, ControlCharactersInAnyOfTheThreeStringsAreRefused) {
    const char* base = R"({"Data":{"domain":"%1","uptoken":"%2","key":"%3"}})";
    auto answer = [&](const char* d, const char* t, const char* k) {
        return QString(base).arg(d, t, k).toStdString();
    };
    UploadGrant g;
    ASSERT_EQ(parseTokenAnswer(answer("d.example", "tok", "k.pdf"), &g), GrantParse::Ok);
    for (const char* bad : {"\\r\\nX-Injected: 1", "a\\nb", "a\\tb", "a\\u0000b", "a\\u007fb"}) {
        EXPECT_EQ(parseTokenAnswer(answer(bad, "tok", "k"), &g), GrantParse::WrongShape) << bad;
        EXPECT_EQ(parseTokenAnswer(answer("d", bad, "k"), &g), GrantParse::WrongShape) << bad;
        EXPECT_EQ(parseTokenAnswer(answer("d", "tok", bad), &g), GrantParse::WrongShape) << bad;
    }
    // Text beyond ASCII is no control character.
    EXPECT_EQ(parseTokenAnswer(answer("d", "tok", "\\u6d4b\\u8bd5.pdf"), &g), GrantParse::Ok);
    std::string ctx;
    EXPECT_FALSE(readChunkAnswer(R"({"ctx":"c\r\nX: 1","offset":5,"crc32":0})", 5, 0, &ctx));
}

TEST(ChunkAnswer, NumbersOutsideTheirTypesAreRefusedNotThrown) {
    std::string ctx;
    // Found by fuzzing: a negative CRC was read as unsigned, and jsoncpp threw.
    EXPECT_FALSE(readChunkAnswer(R"({"ctx":"c","crc32":-1,"offset":5})", 5, 0xFFFFFFFF, &ctx));
    EXPECT_FALSE(readChunkAnswer(R"({"ctx":"c","crc32":4294967296,"offset":5})", 5, 0, &ctx));
    EXPECT_FALSE(
        readChunkAnswer(R"({"ctx":"c","crc32":1,"offset":18446744073709551615})", -1, 1, &ctx));
    EXPECT_FALSE(readChunkAnswer(R"({"ctx":"c","crc32":1,"offset":1e300})", 5, 1, &ctx));
    EXPECT_TRUE(ctx.empty());
    EXPECT_TRUE(readChunkAnswer(R"({"ctx":"c","crc32":4294967295,"offset":5.0})", 5, 0xFFFFFFFF,
                                &ctx));
}
