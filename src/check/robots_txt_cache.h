#pragma once

#include "base/text.h"
#include "check/check_outcome.h"
#include "check/robots_txt_fetch.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>

// The robots.txt files of one run, each fetched once per site
// (RobotsTxtSiteOf: scheme, host and port) and kept for the run: the first
// worker to ask for a site fetches its file, every other asker of that site
// waits until it has, however many start at once.
//
// Thread: any; shared by all the workers of a run. AnswerFor blocks for the
// fetch it makes or waits for, which FetchRobotsTxt's time-outs bound. An
// exception out of a fetch leaves the site unknown to those who wait.
class RobotsTxtCache
{
public:
    explicit RobotsTxtCache(RobotsTxtClient client);

    // What the site's robots.txt lets the spider do with pageUrl: Allowed,
    // Disallowed, or Unknown when the file could not be read.
    RobotsTxtAnswer AnswerFor(const Text& pageUrl);

private:
    struct Site {
        bool read = false;
        std::optional<RobotsTxt> rules;
    };

    // The site's entry once its file has been read, fetching it when no one has.
    const Site& readSite(const Text& key);

    const RobotsTxtClient m_client;
    std::mutex m_mutex;
    std::condition_variable m_read;
    std::map<Text, Site> m_sites;
};
