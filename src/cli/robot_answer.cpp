#include "cli/robot_answer.h"

#include "base/gbk_codec.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t messageLimit = 200;

// Where the value of "key" begins in body (past the colon and blanks), or npos.
std::size_t valueOf(std::string_view body, std::string_view key)
{
    const std::string quoted = '"' + std::string(key) + '"';
    std::size_t at = body.find(quoted);
    if (at == std::string_view::npos)
        return at;
    at = body.find_first_not_of(" \t\r\n", at + quoted.size());
    if (at == std::string_view::npos || body[at] != ':')
        return std::string_view::npos;
    return body.find_first_not_of(" \t\r\n", at + 1);
}

// The integer text of "key", empty when the key is absent or not a number.
std::string numberOf(std::string_view body, std::string_view key)
{
    std::size_t at = valueOf(body, key);
    if (at == std::string_view::npos)
        return {};
    const std::size_t start = at;
    if (body[at] == '-')
        ++at;
    while (at < body.size() && std::isdigit(static_cast<unsigned char>(body[at])))
        ++at;
    return std::string(body.substr(start, at - start));
}

// The string of "key" as sent, escapes kept, cut short; empty when absent.
std::string stringOf(std::string_view body, std::string_view key)
{
    const std::size_t at = valueOf(body, key);
    if (at == std::string_view::npos || body[at] != '"')
        return {};
    std::size_t end = at + 1;
    while (end < body.size() && body[end] != '"' && end - at <= messageLimit)
        end += body[end] == '\\' ? 2 : 1;
    // A cut may end inside an escape or a character: the text goes through
    // GBK and back so that only whole characters remain.
    return GbkToUtf8(Utf8ToGbk(std::string(body.substr(at + 1, std::min(end, body.size()) - at - 1))));
}

}

std::string RobotRefusal(const std::string& answerBody)
{
    for (const auto& [codeKey, messageKey] : { std::pair { "errcode", "errmsg" }, std::pair { "code", "msg" },
             std::pair { "StatusCode", "StatusMessage" } }) {
        const std::string code = numberOf(answerBody, codeKey);
        if (code.empty())
            continue;
        if (code == "0" || code == "-0")
            return {};
        // 机器人拒绝了消息 ("the robot refused the message")
        const std::string message = stringOf(answerBody, messageKey);
        return GbkToUtf8("\xBB\xFA\xC6\xF7\xC8\xCB\xBE\xDC\xBE\xF8\xC1\xCB\xCF\xFB\xCF\xA2: ") + codeKey + " "
            + code + (message.empty() ? "" : " " + message);
    }
    return {};
}
