#include "check/site_list_texts.h"
#include "cli/cli_app.h"
#include "support/loopback_server.h"
#include "support/scratch_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>

namespace {

const std::string Normal = StatusNormal;
// The reason's first words and the summary, as the terminal shows them.
const std::string OneSidedUtf8 = "\xE5\x8D\x95\xE5\x90\x91\xE9\x93\xBE\xE6\x8E\xA5: "; // 单向链接:
std::string summaryUtf8(int oneSided, int orphans)
{
    // 单向链接 N 个，未列入的友链 M 个
    return "\xE5\x8D\x95\xE5\x90\x91\xE9\x93\xBE\xE6\x8E\xA5 " + std::to_string(oneSided)
        + " \xE4\xB8\xAA\xEF\xBC\x8C\xE6\x9C\xAA\xE5\x88\x97\xE5\x85\xA5\xE7\x9A\x84\xE5\x8F\x8B\xE9\x93\xBE "
        + std::to_string(orphans) + " \xE4\xB8\xAA\n";
}

// Answers a connection with head, then body.
LoopbackServer::Script pageScript(const std::string& body, const std::string& head = "200 OK")
{
    return [head, body](LoopbackServer::Connection& connection) {
        connection.ReadUntil("\r\n\r\n");
        connection.Send("HTTP/1.1 " + head + "\r\nContent-Length: " + std::to_string(body.size())
            + "\r\nConnection: close\r\n\r\n" + body);
    };
}

LoopbackServer pageServer(const std::string& body, int connections = 1)
{
    return LoopbackServer(pageScript(body), connections);
}

std::string at(const LoopbackServer& server) { return "http://127.0.0.1:" + server.PortText(); }

// The cells of each tsv line after the header.
std::vector<std::vector<std::string>> tsvRows(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        rows.emplace_back();
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            rows.back().push_back(cell);
    }
    return rows;
}

constexpr std::size_t reasonColumn = 6;
constexpr std::size_t backColumn = 27;

class CliMine : public testing::Test
{
protected:
    ScratchFolder m_folder { "cli_mine", ScratchFolder::Enter::Yes };

    void SetUp() override { ASSERT_FALSE(m_folder.Path().empty()); }
    // One active partner per address, its query the operator's site.
    static void writeList(const std::vector<std::string>& partners)
    {
        std::ofstream list("list.ini", std::ios::binary);
        list << "4," << partners.size() + 1 << "\r\n";
        for (std::size_t row = 1; row <= partners.size(); ++row)
            list << "0," << row << ",P" << row << "\r\n1," << row << "," << partners[row - 1] << "\r\n2,"
                 << row << ",http://www.mysite.test/\r\n3," << row << "," << Normal << "\r\n";
    }
    int run(const std::vector<std::string>& arguments)
    {
        m_out.str("");
        m_err.str("");
        return runCli(arguments, m_out, m_err);
    }
    std::string out() const { return m_out.str(); }
    std::string err() const { return m_err.str(); }

private:
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(CliMine, RunTellsEachPartnerWhetherTheOwnPageLinksBack)
{
    const std::string linkBack = "<a href=\"http://www.mysite.test/\">mine</a>";
    LoopbackServer a = pageServer(linkBack), b = pageServer(linkBack), c = pageServer("none"),
                   d = pageServer("none");
    LoopbackServer own = pageServer("<a href=\"" + at(a)
            + "/\">Alpha &amp; Co</a> <a rel=\"nofollow\" href=\"" + at(b) + "/x\">Beta</a> <a href=\""
            + at(c) + "\">Gamma</a> <a href=\"http://e.test/\">Epsilon</a>" + " <a href=\"/home\">home</a>",
        2);
    writeList({ at(a) + "/links", at(b) + "/links", at(c) + "/links", at(d) + "/links" });
    ASSERT_EQ(run({ "mine", "add", at(own) + "/friends", "list.ini" }), 0) << err();

    EXPECT_EQ(run({ "run", "--no-delay", "--format", "tsv", "list.ini" }), 1) << err();
    const auto rows = tsvRows(out());
    ASSERT_EQ(rows.size(), 4u) << out();
    const std::pair<std::string, std::string> backs[]
        = { { "yes", "Alpha & Co" }, { "nofollow", "Beta" }, { "yes", "Gamma" }, { "no", "" } };
    for (std::size_t row = 0; row < rows.size(); ++row) {
        ASSERT_GT(rows[row].size(), backColumn + 1) << out();
        EXPECT_EQ(rows[row][backColumn], backs[row].first) << row;
        EXPECT_EQ(rows[row][backColumn + 1], backs[row].second) << row;
        EXPECT_EQ(rows[row][reasonColumn].rfind(OneSidedUtf8, 0) == 0, row == 2) << rows[row][reasonColumn];
    }
    EXPECT_EQ(err(), summaryUtf8(1, 1));

    EXPECT_EQ(run({ "mine", "orphans", "--no-delay", "list.ini" }), 0) << err();
    EXPECT_EQ(out(), "http://e.test/\tnone\tEpsilon\n");
    EXPECT_EQ(own.Accepted(), 2);
}

// An own page that cannot be read: down, redirecting, or not found.
struct UnreadCase {
    const char* name;
    std::optional<std::string> head; // empty: nobody listens
    std::string notRead;
};

class CliMineUnread : public CliMine, public testing::WithParamInterface<UnreadCase>
{
};

TEST_P(CliMineUnread, LeavesEveryPartnerUnknownAndSaysWhy)
{
    std::optional<LoopbackServer> own;
    own.emplace(pageScript("<a href=\"http://p.test/\">P</a>", GetParam().head.value_or("200 OK")));
    const std::string ownPage = at(*own) + "/friends";
    if (!GetParam().head)
        own.reset();
    LoopbackServer partner = pageServer("none");
    writeList({ at(partner) + "/links", "http:///nohost" });
    ASSERT_EQ(run({ "mine", "add", ownPage, "list.ini" }), 0) << err();

    run({ "run", "--no-delay", "--timeout", "2000", "--format", "tsv", "list.ini" });
    const auto rows = tsvRows(out());
    ASSERT_EQ(rows.size(), 2u) << out();
    for (const auto& row : rows) {
        ASSERT_GT(row.size(), backColumn) << out();
        EXPECT_EQ(row[backColumn], "unknown");
    }
    EXPECT_NE(err().find("own page not read: " + ownPage + ": " + GetParam().notRead), std::string::npos)
        << err();
    EXPECT_EQ(err().substr(err().find('\n') + 1), summaryUtf8(0, 0));
}

INSTANTIATE_TEST_SUITE_P(OwnPage, CliMineUnread,
    testing::Values(UnreadCase { "Down", std::nullopt, "\xE8\xBF\x9E\xE6\x8E\xA5" }, // 连接
        UnreadCase { "Redirects", "301 Moved\r\nLocation: http://elsewhere.test/",
            "\xE9\xA1\xB5\xE9\x9D\xA2" }, // 页面
        UnreadCase { "NotFound", "404 Not Found", "HTTP 404" }),
    [](const testing::TestParamInfo<UnreadCase>& info) { return std::string(info.param.name); });

// mine add and remove refuse these with status 2 and store nothing.
struct RefusedCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string error;
};

class CliMineRefused : public CliMine, public testing::WithParamInterface<RefusedCase>
{
};

TEST_P(CliMineRefused, SaysWhyAndStoresNothing)
{
    ASSERT_EQ(run({ "mine", "add", "http://own.test/friends" }), 0) << err();
    EXPECT_EQ(run(GetParam().arguments), 2);
    EXPECT_NE(err().find(GetParam().error), std::string::npos) << err();
    EXPECT_EQ(run({ "mine", "list" }), 0);
    EXPECT_EQ(out(), "http://own.test/friends\n");
}

INSTANTIATE_TEST_SUITE_P(Mine, CliMineRefused,
    testing::Values(RefusedCase { "AddedTwice", { "mine", "add", "http://own.test/friends" }, "already" },
        RefusedCase { "RemovedWhileNotThere", { "mine", "remove", "http://own.test/" }, "is not one of" },
        RefusedCase { "ControlByte", { "mine", "add", "http://own.test/\x1b[2J" }, "control byte" },
        RefusedCase { "PortZero", { "mine", "add", "http://own.test:0/" }, "port" },
        RefusedCase { "PortTooLarge", { "mine", "add", "http://own.test:65536/" }, "port" },
        RefusedCase { "EmptyPort", { "mine", "add", "http://own.test:/" }, "port" },
        RefusedCase { "NoHost", { "mine", "add", "https:///friends" }, "no host" },
        RefusedCase { "NotHttp", { "mine", "add", "ftp://own.test/" }, "no http" },
        RefusedCase { "NoAddress", { "mine", "add" }, "need the own page's address" },
        RefusedCase { "FormatOfAdd", { "mine", "add", "http://b.test/", "--format", "json" }, "--format" },
        RefusedCase { "UnknownAction", { "mine", "drop", "http://own.test/friends" }, "needs add, remove" }),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

}
