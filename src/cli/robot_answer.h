#pragma once

#include <string>

// Chat robots answer a refused message with HTTP 200 and an error code in
// the JSON body: {"errcode":310000,"errmsg":"…"} (DingTalk, WeCom) or
// {"code":19024,"msg":"…"} (Feishu). RobotRefusal reads that code: empty
// when the body holds none or 0, else a UTF-8 sentence such as
// "机器人拒绝了消息: errcode 310000 keywords not in content". The body is read
// simply, as the few bytes of a robot's answer; nothing here throws but for
// want of memory.
std::string RobotRefusal(const std::string& answerBody);
