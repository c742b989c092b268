#include "cli/retry_wait.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 12> months { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug",
    "Sep", "Oct", "Nov", "Dec" };

std::optional<std::int64_t> number(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

// Days from 1970-01-01 to the date of the proleptic Gregorian calendar.
std::int64_t daysSinceEpoch(std::int64_t year, std::int64_t month, std::int64_t day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// "Sun, 06 Nov 1994 08:49:37 GMT" as seconds since 1970; empty for any other form.
std::optional<std::int64_t> httpDate(std::string_view text)
{
    if (text.size() != 29 || text.substr(3, 2) != ", " || text.substr(25) != " GMT" || text[7] != ' '
        || text[11] != ' ' || text[16] != ' ' || text[19] != ':' || text[22] != ':')
        return std::nullopt;
    const auto month = std::find(months.begin(), months.end(), text.substr(8, 3));
    const auto day = number(text.substr(5, 2));
    const auto year = number(text.substr(12, 4));
    const auto hour = number(text.substr(17, 2));
    const auto minute = number(text.substr(20, 2));
    const auto second = number(text.substr(23, 2));
    if (month == months.end() || !day || !year || !hour || !minute || !second || *day < 1 || *day > 31
        || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    const std::int64_t days = daysSinceEpoch(*year, month - months.begin() + 1, *day);
    return days * 86400 + *hour * 3600 + *minute * 60 + *second;
}

}

std::chrono::milliseconds RetryWait(const Text& retryAfter, std::int64_t nowSeconds)
{
    std::string_view text(retryAfter);
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    std::optional<std::int64_t> seconds = number(text);
    if (!seconds)
        if (const std::optional<std::int64_t> date = httpDate(text))
            seconds = std::max<std::int64_t>(*date - nowSeconds, 0);
    if (!seconds)
        return DefaultRetryWait;
    return std::chrono::seconds(std::min<std::int64_t>(*seconds, MostRetryWait.count()));
}
