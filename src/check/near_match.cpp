#include "check/near_match.h"

#include "check/check_outcome.h"
#include "check/html_markup.h"
#include "base/gbk_codec.h"

#include <algorithm>

namespace {

using AddressParts = NearMatch::AddressParts;
constexpr auto npos = std::string_view::npos;

// Room a link's window keeps beyond the address's length: for a scheme, a
// "www." and a port the address lacks, and for what follows its rest.
constexpr std::size_t windowRoom = 64;

constexpr char comma[] = "\xA3\xAC"; // ，

bool startsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix)
{
    return text.size() >= lowerPrefix.size()
        && EqualsIgnoringCase(text.substr(0, lowerPrefix.size()), lowerPrefix);
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && IsHtmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Splits an absolute http, https or scheme-relative address. When text is
// only the front of the address (not complete), its host must end within it.
bool splitAddress(std::string_view text, bool complete, AddressParts& parts)
{
    std::size_t hostAt = 2;
    parts.scheme = {};
    if (!text.starts_with("//")) {
        const std::size_t colon = text.find(':');
        if (colon == npos || text.substr(colon + 1, 2) != "//")
            return false;
        parts.scheme = text.substr(0, colon);
        if (!EqualsIgnoringCase(parts.scheme, "http") && !EqualsIgnoringCase(parts.scheme, "https"))
            return false;
        hostAt = colon + 3;
    }
    std::size_t end = hostAt;
    while (end < text.size() && text[end] != '/' && text[end] != '?' && text[end] != '#')
        ++end;
    if (end == text.size() && !complete)
        return false;
    const std::string_view authority = text.substr(hostAt, end - hostAt);
    const std::size_t colon = authority.rfind(':');
    parts.host = authority.substr(0, colon);
    parts.port = colon == npos ? std::string_view() : authority.substr(colon + 1);
    parts.rest = text.substr(end);
    return !parts.host.empty();
}

bool hasWww(std::string_view host) { return host.size() > 4 && startsWithIgnoringCase(host, "www."); }
std::string_view siteName(std::string_view host) { return hasWww(host) ? host.substr(4) : host; }

Text lowerText(std::string_view text)
{
    Text lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAsciiChar);
    return lower;
}

bool isDefaultPort(const AddressParts& parts)
{
    if (parts.port.empty())
        return true;
    const bool http = EqualsIgnoringCase(parts.scheme, "http");
    const bool https = EqualsIgnoringCase(parts.scheme, "https");
    return (parts.port == "80" && !https) || (parts.port == "443" && !http);
}

// Whether link is on the site of query, whose site name (its host without
// "www.") in lower case is lowerSite.
bool sameSite(const AddressParts& query, std::string_view lowerSite, const AddressParts& link)
{
    if (!EqualsIgnoringCase(siteName(link.host), lowerSite))
        return false;
    const bool queryDefault = isDefaultPort(query);
    const bool linkDefault = isDefaultPort(link);
    return queryDefault == linkDefault && (queryDefault || query.port == link.port);
}

// Where the '/' that ends the path of rest is, npos when its path ends
// otherwise or, for the front of a longer rest (not complete), further on.
std::size_t endingSlash(std::string_view rest, bool complete)
{
    std::size_t pathEnd = 0;
    while (pathEnd < rest.size() && rest[pathEnd] != '?' && rest[pathEnd] != '#')
        ++pathEnd;
    if (pathEnd == rest.size() && !complete)
        return npos;
    return pathEnd > 0 && rest[pathEnd - 1] == '/' ? pathEnd - 1 : npos;
}

void dropEndingSlash(Text& rest, bool complete)
{
    const std::size_t slash = endingSlash(rest, complete);
    if (slash != npos)
        rest.erase(slash, 1);
}

// Adds one phrase of how a link differs from the query.
void addPhrase(Text& differences, const Text& phrase)
{
    differences += (differences.empty() ? "" : comma) + phrase;
}

bool isAddressByte(char c)
{
    return static_cast<unsigned char>(c) > 0x20 && c != '"' && c != '\'' && c != '<' && c != '>';
}

bool holdsHighByte(std::string_view text)
{
    return std::any_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

void addSchemeDifference(const AddressParts& query, const AddressParts& link, Text& differences)
{
    if (link.scheme.empty())
        addPhrase(differences, "\xD3\xC3 // \xCA\xA1\xC2\xD4\xC1\xCB\xD0\xAD\xD2\xE9"); // 用 // 省略了协议
    else if (lowerText(link.scheme) != lowerText(query.scheme))
        addPhrase(
            differences, lowerText(link.scheme) + " \xB6\xF8\xB7\xC7 " + lowerText(query.scheme)); // 而非
    else if (link.scheme != query.scheme)
        addPhrase(differences,
            "\xD0\xAD\xD2\xE9\xC3\xFB\xB4\xF3\xD0\xA1\xD0\xB4\xB2\xBB\xCD\xAC"); // 协议名大小写不同
}

void addHostDifferences(const AddressParts& query, const AddressParts& link, Text& differences)
{
    if (hasWww(query.host) && !hasWww(link.host))
        addPhrase(differences, "\xC9\xD9\xC1\xCB www."); // 少了 www.
    else if (!hasWww(query.host) && hasWww(link.host))
        addPhrase(differences, "\xB6\xE0\xC1\xCB www."); // 多了 www.
    const bool wwwCase
        = hasWww(query.host) && hasWww(link.host) && query.host.substr(0, 4) != link.host.substr(0, 4);
    if (wwwCase || siteName(query.host) != siteName(link.host))
        addPhrase(differences,
            "\xD6\xF7\xBB\xFA\xC3\xFB\xB4\xF3\xD0\xA1\xD0\xB4\xB2\xBB\xCD\xAC"); // 主机名大小写不同
    if (query.port.empty() && !link.port.empty())
        addPhrase(differences, "\xB6\xE0\xC1\xCB\xB6\xCB\xBF\xDA :" + Text(link.port)); // 多了端口 :
    else if (!query.port.empty() && link.port.empty())
        addPhrase(differences, "\xC9\xD9\xC1\xCB\xB6\xCB\xBF\xDA :" + Text(query.port)); // 少了端口 :
}

// A link into the address's place: its path may differ by the slash that
// ends it; any other link goes on to another address of the site.
void addPlaceDifference(std::string_view queryRest, std::string_view linkRest, bool samePlace,
    bool linkComplete, Text& differences)
{
    if (!samePlace) {
        addPhrase(differences,
            "\xD6\xB8\xCF\xF2\xD5\xBE\xC4\xDA\xC6\xE4\xCB\xFB\xB5\xD8\xD6\xB7"); // 指向站内其他地址
        return;
    }
    const bool querySlash = endingSlash(queryRest, true) != npos;
    const bool linkSlash = endingSlash(linkRest, linkComplete) != npos;
    if (querySlash && !linkSlash)
        addPhrase(differences, "\xC9\xD9\xC1\xCB\xBD\xE1\xCE\xB2\xB5\xC4 /"); // 少了结尾的 /
    else if (!querySlash && linkSlash)
        addPhrase(differences, "\xB6\xE0\xC1\xCB\xBD\xE1\xCE\xB2\xB5\xC4 /"); // 多了结尾的 /
}

// How character references tell the link from the query, each as written.
void addReferenceDifference(std::string_view queryWritten, bool queryDecoded, std::string_view linkWritten,
    bool linkDecoded, Text& differences)
{
    if (linkDecoded && !queryDecoded) {
        if (linkWritten.find("&amp;") != npos)
            addPhrase(differences, "& \xD0\xB4\xB3\xC9 &amp;"); // & 写成 &amp;
        else
            addPhrase(
                differences, "\xD3\xC3\xC1\xCB HTML \xD7\xD6\xB7\xFB\xD2\xFD\xD3\xC3"); // 用了 HTML 字符引用
    } else if (queryDecoded && !linkDecoded && queryWritten.find("&amp;") != npos) {
        addPhrase(differences, "&amp; \xD0\xB4\xB3\xC9 &"); // &amp; 写成 &
    }
}

}

NearMatch::NearMatch(const Text& query)
{
    if (!startsWithIgnoringCase(query, "http://") && !startsWithIgnoringCase(query, "https://"))
        return;
    const Text address(query.begin(), std::find_if_not(query.begin(), query.end(), isAddressByte));
    m_queryHasTail = address.size() < query.size();
    addForm(address, false);
    if (holdsHighByte(address))
        addForm(GbkToUtf8(address), true);
}

void NearMatch::addForm(const Text& address, bool utf8)
{
    QueryForm& form = m_forms[m_formCount];
    form.address.clear();
    DecodeHtmlReferences(address, address.size(), form.address);
    if (!splitAddress(form.address, true, form.parts))
        return;
    form.site = lowerText(siteName(form.parts.host));
    form.rest = form.parts.rest;
    dropEndingSlash(form.rest, true);
    form.utf8 = utf8;
    form.written = address;
    form.decoded = form.address != address;
    m_window = std::max(m_window, address.size() + windowRoom);
    ++m_formCount;
}

void NearMatch::Consider(std::string_view href)
{
    href = trimmed(href);
    if (!Wanted() || href.size() < 3 || (href.front() != '/' && LowerAsciiChar(href.front()) != 'h'))
        return;
    AddressParts link;
    LinkShape shape;
    if (!readLink(href, link, shape))
        return;
    for (std::size_t at = 0; at < m_formCount; ++at) {
        const QueryForm& form = m_forms[at];
        if (sameSite(form.parts, form.site, link) && meets(form, link, shape)) {
            keep(href, form, link, shape);
            return;
        }
    }
}

// Splits the window of href, the bytes its comparison needs; false when the
// link is not absolute or not on the query's site.
bool NearMatch::readLink(std::string_view href, AddressParts& link, LinkShape& shape)
{
    shape.written = href.substr(0, m_window);
    shape.complete = href.size() <= m_window;
    // Most links point at other sites and hold no reference before their
    // rest: they are turned down as the page writes them, without decoding.
    const std::size_t reference = shape.written.find('&');
    const bool split = splitAddress(shape.written, shape.complete, link);
    if (reference == npos)
        return split && onSite(link);
    if (split && shape.written.data() + reference >= link.rest.data() && !onSite(link))
        return false;
    m_decoded.clear();
    const std::size_t read = DecodeHtmlReferences(href, m_window, m_decoded);
    shape.written = href.substr(0, read);
    shape.complete = read == href.size();
    shape.decoded = m_decoded != shape.written;
    return splitAddress(m_decoded, shape.complete, link) && onSite(link);
}

bool NearMatch::onSite(const AddressParts& link) const
{
    for (std::size_t at = 0; at < m_formCount; ++at) {
        if (sameSite(m_forms[at].parts, m_forms[at].site, link))
            return true;
    }
    return false;
}

// Whether the link's rest is the form's or goes on from it; shape.samePlace tells which.
bool NearMatch::meets(const QueryForm& form, const AddressParts& link, LinkShape& shape)
{
    m_linkRest.assign(link.rest);
    dropEndingSlash(m_linkRest, shape.complete);
    if (!m_linkRest.starts_with(form.rest))
        return false;
    shape.samePlace = m_linkRest.size() == form.rest.size();
    if (shape.samePlace)
        return shape.complete;
    const char next = m_linkRest[form.rest.size()];
    return next == '/' || next == '?' || next == '#' || (next == '&' && form.rest.find('?') != npos);
}

void NearMatch::keep(
    std::string_view href, const QueryForm& form, const AddressParts& link, const LinkShape& shape)
{
    const Text shown(href.substr(0, OutcomeTextLimit + 1));
    m_link = CappedOutcomeText(form.utf8 ? Utf8ToGbk(shown) : shown);
    Text differences;
    addSchemeDifference(form.parts, link, differences);
    addHostDifferences(form.parts, link, differences);
    addPlaceDifference(form.parts.rest, link.rest, shape.samePlace, shape.complete, differences);
    if (shape.samePlace)
        addReferenceDifference(form.written, form.decoded, shape.written, shape.decoded, differences);
    if (form.utf8)
        addPhrase(differences, "\xD2\xB3\xC3\xE6\xD3\xC3 UTF-8 \xB1\xE0\xC2\xEB"); // 页面用 UTF-8 编码
    if (differences.empty() && m_queryHasTail)
        // 查询里地址之后的文字不在页面上
        addPhrase(differences,
            "\xB2\xE9\xD1\xAF\xC0\xEF\xB5\xD8\xD6\xB7\xD6\xAE\xBA\xF3\xB5\xC4\xCE\xC4\xD7\xD6"
            "\xB2\xBB\xD4\xDA\xD2\xB3\xC3\xE6\xC9\xCF");
    if (differences.empty())
        addPhrase(differences, "\xD0\xB4\xB7\xA8\xB2\xBB\xCD\xAC"); // 写法不同
    m_difference = std::move(differences);
}
