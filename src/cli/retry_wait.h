#pragma once

#include "base/text.h"

#include <chrono>
#include <cstdint>

// How long linkwatch-cli run waits before it fetches a site again that
// answered 429 or 5xx, or gave no answer: what the answer's Retry-After asks,
// as delay seconds or as an HTTP date (Sun, 06 Nov 1994 08:49:37 GMT), at
// most MostRetryWait; DefaultRetryWait without one, or with one that cannot
// be read. A date already past asks for no wait. Pure; safe from any thread.
inline constexpr std::chrono::seconds DefaultRetryWait { 2 };
inline constexpr std::chrono::seconds MostRetryWait { 30 };

// retryAfter: the header's value as sent, blanks trimmed or not; nowSeconds:
// the time now in seconds since 1970-01-01 UTC, which a date is counted from.
std::chrono::milliseconds RetryWait(const Text& retryAfter, std::int64_t nowSeconds);
