#include "check/open_file_limit.h"

#include <algorithm>
#include <sys/resource.h>

namespace {

rlim_t capped(rlim_t limit)
{
    const auto ceiling = static_cast<rlim_t>(openFileLimitCeiling);
    return limit == RLIM_INFINITY ? ceiling : std::min(limit, ceiling);
}

}

long OpenFileLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return openFileLimitCeiling;
    return static_cast<long>(capped(limit.rlim_cur));
}

void RaiseOpenFileLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = capped(limit.rlim_max);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}
