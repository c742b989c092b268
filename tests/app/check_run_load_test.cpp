#include "check_run_fixture.h"

namespace {

using namespace std::chrono_literals;

// Site i asks for /with/<i> or /without/<i> by its parity and looks for its
// own marker, so a verdict written into a neighbour's row shows as wrong.
std::string markedPage(const std::string& requestHead)
{
    const std::size_t start = requestHead.find(' ') + 1;
    const std::string path = requestHead.substr(start, requestHead.find(' ', start) - start);
    const std::string number = path.substr(path.rfind('/') + 1);
    const bool holds = path.rfind("/with/", 0) == 0;
    return LoopbackHttpServer::Reply("200 OK", holds ? "<p>marker-" + number + "</p>" : "<p>none</p>");
}

class LoadTest : public CheckRunTest
{
protected:
    LoopbackHttpServer markedServer { &markedPage };
};

TEST_F(LoadTest, TwoHundredEntriesGetTwoHundredVerdictsInTheirOwnRows)
{
    constexpr int count = 200;
    pauseLength = 100ms;
    std::vector<Site> sites;
    for (int index = 1; index <= count; ++index) {
        const std::string number = std::to_string(index);
        const std::string path = (index % 2 == 0 ? "/with/" : "/without/") + number;
        sites.push_back({ "site " + number, markedServer.Url(path), "marker-" + number, StatusNormal });
    }
    SetSites(sites);
    StartRun();
    EXPECT_EQ(run->RunRowCount(), count);
    ASSERT_TRUE(WaitForWorkers(60000));
    QCoreApplication::processEvents();
    EXPECT_EQ(markedServer.Requests(), count);
    int wrong = 0;
    for (int row = 1; row <= count; ++row) {
        const std::string number = std::to_string(row);
        const bool rightRow = runGrid.Cells(ResultNumberCol, row) == number
            && runGrid.Cells(ResultNameCol, row) == "site " + number;
        const Text expected = row % 2 == 0 ? verdictFound : verdictNotFound;
        if (!rightRow || runGrid.Cells(ResultVerdictCol, row) != expected)
            ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(runGrid.RowCount(), count + 1);
}

struct BadAddress {
    const char* name;
    Text address;
};

void PrintTo(const BadAddress& bad, std::ostream* out) { *out << bad.name; }

class BadAddressTest : public CheckRunTest, public testing::WithParamInterface<BadAddress>
{
};

TEST_P(BadAddressTest, IsCheckedLikeAnyOtherAndFindsNothing)
{
    SetSites({ { "bad", GetParam().address, queryText, StatusNormal } });
    StartRun();
    EXPECT_TRUE(WaitForVerdict(1, verdictNotFound, 60000)) << runGrid.Cells(ResultVerdictCol, 1);
    EXPECT_TRUE(WaitForWorkers(60000));
}

INSTANTIATE_TEST_SUITE_P(CheckRun, BadAddressTest,
    testing::Values(BadAddress { "Empty", "" }, BadAddress { "NoHost", "http:///page" },
        BadAddress { "PortOutOfRange", "http://:99999/" },
        BadAddress { "PortOutOfRangeOnLoopback", "http://127.0.0.1:99999/" },
        BadAddress { "TenKibOfText", Text(10 * 1024, 'a') },
        BadAddress { "TenKibHost", "http://" + Text(10 * 1024, 'b') + "/" },
        BadAddress { "NotGbk", "http://\xFF\xFE\x80\x81/\xFF" }, BadAddress { "OnlyBlanks", " \t\r\n" }),
    [](const testing::TestParamInfo<BadAddress>& info) { return std::string(info.param.name); });

}
