#pragma once

#include <string>

// Chat robots answer every message with HTTP 200 and a JSON object whose
// code says whether they took it: {"errcode":0,"errmsg":"ok"} (DingTalk,
// WeCom), {"code":0,"msg":"success"} (Feishu), {"errcode":310000,"errmsg":
// "keywords not in content"} for a refused one. RobotRefusal parses the whole
// body and reads the codes among the object's own keys (errcode, code,
// StatusCode; a string of digits counts as that number): empty when at least
// one is there and every one there is 0. Else a UTF-8 sentence of why the
// message counts as refused: "机器人拒绝了消息: errcode 310000 keywords not in
// content" (the robot's message, escapes decoded, cut to 200 bytes between
// two characters), or that the body is no JSON object, holds no code, or a
// code that is no number. Nothing here throws but for want of memory.
std::string RobotRefusal(const std::string& answerBody);
