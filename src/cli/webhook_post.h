#pragma once

#include <string>

// One POST of a JSON body to a web hook (http or https) through the
// program's own HTTP client. Blocks for the exchange, each receive bounded
// by timeoutMs. Returns an empty text when the hook answered with a 2xx
// status, else why it failed ("HTTP 400 Bad Request", "连接被拒绝 (10061)"
// in UTF-8, …). Nothing here throws but for want of memory.
enum class HookAnswer {
    Status, // a 2xx status is success
    RobotErrorCode, // and a chat robot's errcode or code in the answer must be 0 or absent
};
// An https hook must show a certificate that names its host and that the
// certificates in caFile vouch for, or with an empty caFile the system's
// certificate authorities: the address carries the robot's access token.
std::string PostToWebhook(const std::string& url, const std::string& jsonBody, int timeoutMs,
    HookAnswer answer, const std::string& caFile);
