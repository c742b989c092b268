#pragma once

#include <string>

// One POST of a JSON body to a web hook (http or https) through the
// program's own HTTP client. Blocks for the exchange, each receive bounded
// by timeoutMs. Returns an empty text when the hook answered with a 2xx
// status and the whole answer, at most 64 KiB, came; else why it failed
// ("HTTP 400 Bad Request", "连接被拒绝 (10061)", "回应没有收全: 连接超时
// (10060)", "回应超过 64 KiB，没有读完" in UTF-8, …), its control bytes
// written out as \xNN. Nothing here throws but for want of memory.
enum class HookAnswer {
    Status, // a 2xx status is success
    RobotErrorCode, // and the answer must be a chat robot's JSON with a code of 0 (see RobotRefusal)
};
// An https hook must show a certificate that names its host and that the
// certificates in caFile vouch for, or with an empty caFile the system's
// certificate authorities: the address carries the robot's access token.
std::string PostToWebhook(const std::string& url, const std::string& jsonBody, int timeoutMs,
    HookAnswer answer, const std::string& caFile);
