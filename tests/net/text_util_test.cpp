#include "net/base64_codec.h"
#include "net/text_util.h"

#include <gtest/gtest.h>

namespace {

struct UrlCase {
    const char* url;
    const char* scheme;
    const char* user;
    const char* password;
    const char* host;
    const char* port;
    const char* path;
    const char* query;
    const char* target;
};

class SplitUrlTable : public testing::TestWithParam<UrlCase>
{
};

TEST_P(SplitUrlTable, SplitsIntoParts)
{
    const UrlCase& c = GetParam();
    Text scheme = "x", user = "x", password = "x", host = "x", port = "x", path = "x", query = "x";
    const Text target = SplitUrl(c.url, scheme, user, password, host, port, path, query);
    EXPECT_EQ(scheme, c.scheme);
    EXPECT_EQ(user, c.user);
    EXPECT_EQ(password, c.password);
    EXPECT_EQ(host, c.host);
    EXPECT_EQ(port, c.port);
    EXPECT_EQ(path, c.path);
    EXPECT_EQ(query, c.query);
    EXPECT_EQ(target, c.target);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(TextUtil, SplitUrlTable,
    testing::Values(
        UrlCase { .url = "host", .scheme = "http", .user = "", .password = "", .host = "host", .port = "80",
            .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "https://host:8443/a/b?x=1&y=2", .scheme = "https", .user = "", .password = "",
            .host = "host", .port = "8443", .path = "/a/b", .query = "x=1&y=2", .target = "/a/b?x=1&y=2" },
        UrlCase { .url = "http://me:pa:ss@host/", .scheme = "http", .user = "me", .password = "pa:ss",
            .host = "host", .port = "80", .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "http://me@host/", .scheme = "http", .user = "me", .password = "", .host = "host",
            .port = "80", .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "http://:secret@host/", .scheme = "http", .user = "", .password = "secret",
            .host = "host", .port = "80", .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "http://host/path@x", .scheme = "http", .user = "", .password = "", .host = "host",
            .port = "80", .path = "/path@x", .query = "", .target = "/path@x" },
        UrlCase { .url = "http://[::1]:8080/x", .scheme = "http", .user = "", .password = "", .host = "::1",
            .port = "8080", .path = "/x", .query = "", .target = "/x" },
        UrlCase { .url = "http://[::1]/x", .scheme = "http", .user = "", .password = "", .host = "::1",
            .port = "80", .path = "/x", .query = "", .target = "/x" },
        UrlCase { .url = "http://[fe80::1%4]junk/x", .scheme = "http", .user = "", .password = "",
            .host = "fe80::1%4", .port = "80", .path = "/x", .query = "", .target = "/x" },
        UrlCase { .url = "http://host?x=1", .scheme = "http", .user = "", .password = "", .host = "host?x=1",
            .port = "80", .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "http://host/p#top", .scheme = "http", .user = "", .password = "", .host = "host",
            .port = "80", .path = "/p#top", .query = "", .target = "/p#top" },
        UrlCase { .url = "ftp://host/f", .scheme = "ftp", .user = "", .password = "", .host = "host",
            .port = "21", .path = "/f", .query = "", .target = "/f" },
        UrlCase { .url = "HTTPS://Host/", .scheme = "HTTPS", .user = "", .password = "", .host = "Host",
            .port = "443", .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "gopher://host/", .scheme = "gopher", .user = "", .password = "", .host = "host",
            .port = "80", .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "host/go?u=http://other/", .scheme = "host/go?u=http", .user = "", .password = "",
            .host = "other", .port = "80", .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "", .scheme = "http", .user = "", .password = "", .host = "localhost", .port = "80",
            .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "http://host:/", .scheme = "http", .user = "", .password = "", .host = "host",
            .port = "", .path = "/", .query = "", .target = "/" },
        UrlCase { .url = "http://host:8080:9/a b?%20", .scheme = "http", .user = "", .password = "",
            .host = "host", .port = "8080:9", .path = "/a b", .query = "%20", .target = "/a b?%20" },
        UrlCase { .url = "http:///x", .scheme = "http", .user = "", .password = "", .host = "localhost",
            .port = "80", .path = "/x", .query = "", .target = "/x" }));
// clang-format on

TEST(TextUtil, BeforeAfterAndCut)
{
    EXPECT_EQ(TextAfter("Content-Length: 12", " "), "12");
    EXPECT_EQ(TextBefore("abc", ";"), "abc");
    EXPECT_EQ(TextAfter("abc", ";"), "abc");
    EXPECT_EQ(TextAfter("a::b::c", "::"), "b::c");
    EXPECT_EQ(TextBefore("abc", ""), "abc");
    EXPECT_EQ(TextAfter("abc", ""), "abc");

    Text value = " a . b";
    EXPECT_EQ(CutTrimmedToken(value, "."), "a");
    EXPECT_EQ(value, "b");

    value = "abc";
    EXPECT_EQ(CutToken(value, ";"), "abc");
    EXPECT_EQ(value, "");
    value = "a;";
    EXPECT_EQ(CutToken(value, ";"), "a");
    EXPECT_EQ(value, "");
}

TEST(TextUtil, TrimmingRemovesOnlySpaces)
{
    EXPECT_EQ(TrimSpaces("  a b  "), "a b");
    EXPECT_EQ(TrimSpaces("\t a \r"), "\t a \r");
    EXPECT_EQ(TrimLeadingSpaces("   "), "");
    EXPECT_EQ(TrimTrailingSpaces("x  "), "x");
}

struct IntCase {
    const char* text;
    std::int32_t expected;
};

class IntFromTextTable : public testing::TestWithParam<IntCase>
{
};

TEST_P(IntFromTextTable, Converts) { EXPECT_EQ(IntFromText(GetParam().text, -77), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(TextUtil, IntFromTextTable,
    testing::Values(IntCase { "12", 12 }, IntCase { "  12", 12 }, IntCase { "12 ", -77 }, IntCase { "", -77 },
        IntCase { " ", -77 }, IntCase { "+5", 5 }, IntCase { "-5", -5 }, IntCase { "$1F", 31 },
        IntCase { "x1f", 31 }, IntCase { "X1F", 31 }, IntCase { "0x10", 16 }, IntCase { "0X10", 16 },
        IntCase { "-$10", -16 }, IntCase { "$", -77 }, IntCase { "0x", -77 }, IntCase { "1a", -77 },
        IntCase { "2147483647", 2147483647 }, IntCase { "2147483648", -77 },
        IntCase { "-2147483648", std::numeric_limits<std::int32_t>::min() }, IntCase { "-2147483649", -77 },
        IntCase { "$FFFFFFFF", -1 }, IntCase { "$100000000", -77 }, IntCase { "$FFFFFFFFFFFFFFFF", -77 },
        IntCase { "99999999999999999999", -77 }, IntCase { "007", 7 }, IntCase { "0", 0 },
        IntCase { "--1", -77 }));

struct AddressCase {
    const char* text;
    bool ipv4;
    bool ipv6;
};

class AddressTextTable : public testing::TestWithParam<AddressCase>
{
};

TEST_P(AddressTextTable, Recognises)
{
    EXPECT_EQ(IsIPv4Text(GetParam().text), GetParam().ipv4) << GetParam().text;
    EXPECT_EQ(IsIPv6Text(GetParam().text), GetParam().ipv6) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(TextUtil, AddressTextTable,
    testing::Values(AddressCase { .text = "10.0.0.1", .ipv4 = true, .ipv6 = false },
        AddressCase { .text = "10.0.0", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "10.0.0.1.5", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "10.0.0.256", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "10. 0.0.1", .ipv4 = true, .ipv6 = false },
        AddressCase { .text = "+1.0.0.1", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "010.0.0.1", .ipv4 = true, .ipv6 = false },
        AddressCase { .text = "", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "::1", .ipv4 = false, .ipv6 = true },
        AddressCase { .text = "fe80::1%4", .ipv4 = false, .ipv6 = true },
        AddressCase { .text = "fe80::1%", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "1::", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "::", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "1::2::3", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "::ffff:1.2.3.4", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "beef", .ipv4 = false, .ipv6 = true },
        AddressCase { .text = "80", .ipv4 = false, .ipv6 = true },
        AddressCase { .text = "00ff", .ipv4 = false, .ipv6 = true },
        AddressCase { .text = "10000", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "1:2:", .ipv4 = false, .ipv6 = true },
        AddressCase { .text = "1:2:3:4:5:6:7:8", .ipv4 = false, .ipv6 = true },
        AddressCase { .text = "1:2:3:4:5:6:7:8:9", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "2001:db8::ff00:42:8329", .ipv4 = false, .ipv6 = true },
        AddressCase { .text = "example.com", .ipv4 = false, .ipv6 = false },
        AddressCase { .text = "g::1", .ipv4 = false, .ipv6 = false }));

TEST(TextUtil, OctetText)
{
    EXPECT_TRUE(IsOctetText("255"));
    EXPECT_TRUE(IsOctetText("000"));
    EXPECT_FALSE(IsOctetText("256"));
    EXPECT_FALSE(IsOctetText("$1"));
    EXPECT_FALSE(IsOctetText(" 1"));
    EXPECT_FALSE(IsOctetText(""));
}

TEST(TextUtil, BytePacking)
{
    EXPECT_EQ(IPv4ToBytes("192.168.0.1"), Text("\xC0\xA8\x00\x01", 4));
    EXPECT_EQ(IPv4ToBytes("300.1.1.1"), Text("\x2C\x01\x01\x01", 4));
    EXPECT_EQ(IPv4ToBytes("a.1.1.1"), Text("\x00\x01\x01\x01", 4));
    EXPECT_EQ(Word16ToBytes(1080), Text("\x04\x38", 2));
    EXPECT_EQ(BytesToWord16("\x04", 1), 0);
    EXPECT_EQ(BytesToWord16(Text("\x04\x38", 2), 1), 1080);
    EXPECT_EQ(BytesToWord16(Text("\x00\xFF\x01", 3), 2), 0xFF01);
    EXPECT_EQ(BytesToWord16(Text("\xFF\xFF", 2), 2), 0);
}

struct LineEndCase {
    const char* text;
    int position;
    const char* terminator;
};

class FindLineEndTable : public testing::TestWithParam<LineEndCase>
{
};

TEST_P(FindLineEndTable, FindsEarliestWithTwoByteFormsWinning)
{
    Text terminator = "junk";
    EXPECT_EQ(FindLineEnd(GetParam().text, terminator), GetParam().position);
    EXPECT_EQ(terminator, GetParam().terminator);
}

INSTANTIATE_TEST_SUITE_P(TextUtil, FindLineEndTable,
    testing::Values(LineEndCase { "a\n\rb", 2, "\n\r" }, LineEndCase { "a\r\nb", 2, "\r\n" },
        LineEndCase { "a\rb\n", 2, "\r" }, LineEndCase { "ab\n", 3, "\n" }, LineEndCase { "abc", 0, "" },
        LineEndCase { "", 0, "" }, LineEndCase { "\r\r\n", 1, "\r" }, LineEndCase { "\n\n", 1, "\n" }));

struct Base64Case {
    const char* plain;
    const char* encoded;
};

class Base64Table : public testing::TestWithParam<Base64Case>
{
};

TEST_P(Base64Table, EncodesStandardAlphabet)
{
    EXPECT_EQ(Base64EncodeText(GetParam().plain), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(TextUtil, Base64Table,
    testing::Values(Base64Case { "", "" }, Base64Case { "a", "YQ==" }, Base64Case { "ab", "YWI=" },
        Base64Case { "abc", "YWJj" }, Base64Case { "user:pass", "dXNlcjpwYXNz" },
        Base64Case { "\xFF\xFE\xFD", "//79" }));

TEST(TextUtil, EncodeWithShortTableWritesOnlySymbolsItHas)
{
    // Without the fill symbol the incomplete group has no padding.
    EXPECT_EQ(EncodeWithTable("a", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"), "YQ");
    EXPECT_EQ(EncodeWithTable("abc", "AB"), "");
}

TEST(TextUtil, AppendToStreamWritesAtPosition)
{
    MemoryStream stream;
    AppendToStream(stream, "hello");
    stream.SetPosition(1);
    AppendToStream(stream, Text("A\0B", 3));
    EXPECT_EQ(stream.ToText(), Text("hA\0Bo", 5));
    EXPECT_EQ(stream.Position(), 4);
}

}
