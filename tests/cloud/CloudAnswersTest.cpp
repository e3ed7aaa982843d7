// What the cloud API's answers mean, and the texts built for it.
#include "cloud/CloudAnswers.h"

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
