#include "cli/robot_answer.h"

#include "base/gbk_codec.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace {

// A robot's message is shown on one line of standard error.
constexpr std::size_t messageLimit = 200;

struct CodeKeys {
    const char* code;
    const char* message;
};

// DingTalk and WeCom answer with errcode, Feishu with code and, on older hooks, StatusCode.
constexpr CodeKeys codeKeys[]
    = { { "errcode", "errmsg" }, { "code", "msg" }, { "StatusCode", "StatusMessage" } };

// The code as a number: a JSON integer, or a string of up to 18 digits after
// an optional minus; none for anything else.
std::optional<std::int64_t> codeNumber(const nlohmann::json& value)
{
    if (value.is_number_unsigned())
        return value.get<std::uint64_t>() <= INT64_MAX ? std::optional(value.get<std::int64_t>())
                                                       : std::nullopt;
    if (value.is_number_integer())
        return value.get<std::int64_t>();
    if (!value.is_string())
        return std::nullopt;
    const std::string& text = value.get_ref<const std::string&>();
    const std::size_t digits = text.starts_with('-') ? 1 : 0;
    if (text.size() == digits || text.size() - digits > 18
        || text.find_first_not_of("0123456789", digits) != std::string::npos)
        return std::nullopt;
    return std::stoll(text);
}

// The message the robot gave with its code, escapes decoded, cut to
// messageLimit bytes between two characters; empty when it gave none.
std::string messageOf(const nlohmann::json& answer, const char* key)
{
    const auto found = answer.find(key);
    if (found == answer.end() || !found->is_string())
        return {};
    std::string text = found->get<std::string>();
    return text.size() <= messageLimit ? text : text.substr(0, Utf8CharacterCut(text, messageLimit));
}

// 机器人拒绝了消息: <key> <code> <message> ("the robot refused the message")
std::string refusal(const nlohmann::json& answer, const CodeKeys& keys, std::int64_t code)
{
    const std::string message = messageOf(answer, keys.message);
    return GbkToUtf8("\xBB\xFA\xC6\xF7\xC8\xCB\xBE\xDC\xBE\xF8\xC1\xCB\xCF\xFB\xCF\xA2: ") + keys.code + " "
        + std::to_string(code) + (message.empty() ? "" : " " + message);
}

}

std::string RobotRefusal(const std::string& answerBody)
{
    const nlohmann::json answer = nlohmann::json::parse(answerBody, nullptr, false);
    if (!answer.is_object())
        return GbkToUtf8("\xBB\xFA\xC6\xF7\xC8\xCB\xB5\xC4\xBB\xD8\xD3\xA6\xB2\xBB\xCA\xC7 JSON "
                         "\xB6\xD4\xCF\xF3"); // 机器人的回应不是 JSON 对象
    bool coded = false;
    for (const CodeKeys& keys : codeKeys) {
        const auto found = answer.find(keys.code);
        if (found == answer.end())
            continue;
        const std::optional<std::int64_t> code = codeNumber(*found);
        if (!code)
            return GbkToUtf8("\xBB\xFA\xC6\xF7\xC8\xCB\xB5\xC4\xBB\xD8\xD3\xA6\xD6\xD0 ") + keys.code
                + GbkToUtf8(" \xB2\xBB\xCA\xC7\xCA\xFD\xD7\xD6"); // 机器人的回应中 <key> 不是数字
        if (*code != 0)
            return refusal(answer, keys, *code);
        coded = true;
    }
    if (coded)
        return {};
    // 机器人的回应没有 errcode、code 或 StatusCode
    return GbkToUtf8("\xBB\xFA\xC6\xF7\xC8\xCB\xB5\xC4\xBB\xD8\xD3\xA6\xC3\xBB\xD3\xD0 errcode\xA1\xA2"
                     "code \xBB\xF2 StatusCode");
}
