#include "cli/webhook_post.h"
#include "support/loopback_port.h"
#include "support/loopback_server.h"
#include "support/nginx_server.h"

#include <gtest/gtest.h>

namespace {

const std::string body = R"({"text":"丢失 \"x\"\n"})";

std::string answer(const std::string& json)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(json.size()) + "\r\n\r\n" + json;
}
const std::string endsEarly = "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n{\"errcode\":0}";
const std::string cut = "回应超过 64 KiB，没有读完";

// clang-format off
// holds: the hook keeps the connection open after its reply, until the client gives up.
struct PostCase { const char* name; const char* scheme; std::string reply; std::string reason; bool holds = false; };
// An empty reply: the hook's port refuses connections.
const PostCase postCases[] = {
    { .name = "Accepted", .scheme = "http", .reply = answer(R"({"errcode":0,"errmsg":"ok"})"), .reason = "" },
    { .name = "CodeNamedInATextIsNotTheCode", .scheme = "http", .reply = answer(R"({"hint":"errcode","errcode":310000})"), .reason = "机器人拒绝了消息: errcode 310000" },
    { .name = "NestedZeroIsNotTheCode", .scheme = "http", .reply = answer(R"({"data":{"errcode":0},"errcode":310000})"), .reason = "机器人拒绝了消息: errcode 310000" },
    { .name = "CodeInDigitsCountsAndItsMessageIsDecodedAndDefused", .scheme = "http",
        .reply = answer(R"({"errcode":"310000","errmsg":"\u4e2d\u001b[2J\u0007"})"), .reason = "机器人拒绝了消息: errcode 310000 中\\x1b[2J\\x07" },
    { .name = "MessageBeforeTheCode", .scheme = "http", .reply = answer(R"({"msg":"code","code":19024})"), .reason = "机器人拒绝了消息: code 19024 code" },
    { .name = "RepeatedCodeCountsItsLast", .scheme = "http", .reply = answer(R"({"errcode":0,"errcode":310000})"), .reason = "机器人拒绝了消息: errcode 310000" },
    { .name = "AnswerWithoutACodeIsARefusal", .scheme = "http", .reply = answer(R"({"ok":true})"), .reason = "机器人的回应没有 errcode、code 或 StatusCode" },
    { .name = "EmptyAnswerIsNoJson", .scheme = "http", .reply = answer(""), .reason = "机器人的回应不是 JSON 对象" },
    { .name = "HtmlAnswerIsNoJson", .scheme = "http", .reply = answer("<html>ok</html>"), .reason = "机器人的回应不是 JSON 对象" },
    { .name = "CodeBeyondTheBoundIsCut", .scheme = "http", .reply = answer(R"({"pad":")" + std::string(1 << 20, 'x') + R"(","errcode":1})"), .reason = cut },
    { .name = "HeaderBlockBeyondTheBoundIsCut", .scheme = "http", .reply = "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(70 << 10, 'x') + "\r\n\r\n", .reason = "回应没有收全: 回应头过长 (10040)" },
    { .name = "AnswerEndingEarlyIsIncomplete", .scheme = "http", .reply = endsEarly, .reason = "回应没有收全: 连接被对方断开 (10054)" },
    { .name = "AnswerThatNeverEndsTimesOut", .scheme = "http", .reply = endsEarly, .reason = "回应没有收全: 连接超时 (10060)", .holds = true },
    { .name = "Rejected", .scheme = "HTTP", .reply = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n",
        .reason = "HTTP 400 Bad Request" },
    { .name = "RobotRefused", .scheme = "http", .reply = "HTTP/1.1 200 OK\r\nContent-Length: 54\r\n\r\n"
        R"({"errcode":310000, "errmsg":"keywords not in content"})", .reason = "机器人拒绝了消息: errcode 310000 keywords not in content" },
    { .name = "FeishuAccepted", .scheme = "http", .reply = "HTTP/1.1 200 OK\r\nContent-Length: 28\r\n\r\n"
        R"({"code":0,"msg":"success"}  )", .reason = "" },
    { .name = "Refused", .scheme = "http", .reply = "", .reason = "连接被拒绝 (10061)" },
    { .name = "NotHttp", .scheme = "ftp", .reply = "", .reason = "网址不是 http 或 https" },
};
// clang-format on

using WebhookPost = testing::TestWithParam<PostCase>;
TEST_P(WebhookPost, SendsTheBodyOnceAndSaysHowItEnded)
{
    const std::string reply = GetParam().reply;
    LoopbackServer hook([&reply, holds = GetParam().holds](LoopbackServer::Connection& connection) {
        connection.ReadUntil("\r\n\r\n");
        connection.ReadExactly(body.size());
        connection.Send(reply);
        if (holds)
            connection.WaitForPeerClose();
    });
    const RefusingPort refusing;
    const std::string port = reply.empty() ? refusing.Port() : hook.PortText();
    EXPECT_EQ(PostToWebhook(GetParam().scheme + ("://127.0.0.1:" + port) + "/send?key=k", body,
                  GetParam().holds ? 300 : 5000, HookAnswer::RobotErrorCode, ""),
        GetParam().reason);
    if (reply.empty())
        return;
    ASSERT_TRUE(hook.WaitFinished(1));
    const std::string request = hook.ReceivedBy(0);
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "POST /send?key=k HTTP/1.1");
    EXPECT_NE(request.find("\r\nContent-Type: application/json; charset=utf-8\r\n"), std::string::npos);
    EXPECT_NE(request.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), body);
}
INSTANTIATE_TEST_SUITE_P(Answers, WebhookPost, testing::ValuesIn(postCases),
    [](const testing::TestParamInfo<PostCase>& info) { return std::string(info.param.name); });

// clang-format off
// caFile "hook": the hook's own certificate; "": the system's authorities, which did not sign it.
struct HttpsCase { const char* name; const char* certifiedHosts; std::string caFile; std::string reason; };
const HttpsCase httpsCases[] = {
    { .name = "Vouched", .certifiedHosts = "IP:127.0.0.1", .caFile = "hook", .reason = "" },
    { .name = "ForAnotherHost", .certifiedHosts = "DNS:partner.example", .caFile = "hook", .reason = "证书验证失败 (10013)" },
    { .name = "NotVouched", .certifiedHosts = "IP:127.0.0.1", .caFile = "", .reason = "证书验证失败 (10013)" },
    { .name = "CertificatesNotRead", .certifiedHosts = "IP:127.0.0.1", .caFile = "/nonexistent/ca.pem",
        .reason = "无法读取证书文件 /nonexistent/ca.pem" },
};
// clang-format on

using WebhookPostHttps = testing::TestWithParam<HttpsCase>;
TEST_P(WebhookPostHttps, PostsOnlyToACertificateVouchedForTheHooksHost)
{
    NginxServer hook;
    ASSERT_TRUE(hook.enableTls(GetParam().certifiedHosts)) << hook.reason();
    ASSERT_TRUE(hook.start()) << hook.reason();
    const std::string caFile = GetParam().caFile == "hook" ? hook.certificateFile() : GetParam().caFile;
    EXPECT_EQ(
        PostToWebhook(hook.urlOf("/server-name"), body, 5000, HookAnswer::Status, caFile), GetParam().reason);
}
INSTANTIATE_TEST_SUITE_P(Certificates, WebhookPostHttps, testing::ValuesIn(httpsCases),
    [](const testing::TestParamInfo<HttpsCase>& info) { return std::string(info.param.name); });

}
