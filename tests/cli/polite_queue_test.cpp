#include "cli/host_key.h"
#include "cli/polite_queue.h"

#include <gtest/gtest.h>

namespace {

// Sites by their addresses: what is taken, in order, until every site left
// belongs to a full host; then one site is done and the next take follows.
struct QueueCase {
    const char* name;
    std::vector<Text> addresses;
    int perHost;
    std::vector<std::size_t> firstTakes;
    std::size_t done;
    std::optional<std::size_t> afterDone; // empty: every site was taken
};

void PrintTo(const QueueCase& testCase, std::ostream* out) { *out << testCase.name; }

class PoliteQueueOrder : public testing::TestWithParam<QueueCase>
{
};

TEST_P(PoliteQueueOrder, FullHostsWaitWhileOthersGoOn)
{
    const QueueCase& testCase = GetParam();
    std::vector<Text> hosts;
    for (const Text& address : testCase.addresses)
        hosts.push_back(HostKeyOf(address));
    PoliteQueue queue(hosts, testCase.perHost);
    for (const std::size_t expected : testCase.firstTakes)
        EXPECT_EQ(queue.Take(), expected);
    EXPECT_FALSE(queue.WorkForAnother());
    queue.Done(testCase.done);
    EXPECT_EQ(queue.Take(), testCase.afterDone);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, PoliteQueueOrder, testing::Values(
    QueueCase { .name = "OtherHostsGoFirstWhileOneIsFull",
        .addresses = { "http://a/1", "http://a/2", "http://a/3", "http://b/1" }, .perHost = 2,
        .firstTakes = { 0, 1, 3 }, .done = 0, .afterDone = 2 },
    QueueCase { .name = "LetterCaseAndTheSchemesPortNameOneHost",
        .addresses = { "http://A/", "http://a:80/x", "https://a/", "http://a:080/y" }, .perHost = 1,
        .firstTakes = { 0, 2 }, .done = 0, .afterDone = 1 },
    QueueCase { .name = "TwoNamesOfOneServerAreTwoHosts",
        .addresses = { "http://127.0.0.1:8080/", "http://localhost:8080/" }, .perHost = 1,
        .firstTakes = { 0, 1 }, .done = 0, .afterDone = std::nullopt },
    QueueCase { .name = "TakersEndOnceEverySiteIsTaken", .addresses = { " http://a/ " }, .perHost = 1,
        .firstTakes = { 0 }, .done = 0, .afterDone = std::nullopt }),
    [](const testing::TestParamInfo<QueueCase>& info) { return std::string(info.param.name); });
// clang-format on

}
