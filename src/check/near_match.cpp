#include "check/near_match.h"

#include "base/gbk_codec.h"
#include "check/check_outcome.h"
#include "check/html_markup.h"
#include "check/web_address.h"

#include <algorithm>

namespace {

using AddressParts = WebAddress;
constexpr auto npos = std::string_view::npos;

// Room a link's window keeps beyond the address's length: for a scheme, a
// "www." and a port the address lacks, and for what follows its rest.
constexpr std::size_t windowRoom = 64;

constexpr char comma[] = "\xA3\xAC"; // ，

void dropEndingSlash(Text& rest, bool complete)
{
    const std::size_t slash = PathEndingSlash(rest, complete);
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
    else if (LowerText(link.scheme) != LowerText(query.scheme))
        addPhrase(
            differences, LowerText(link.scheme) + " \xB6\xF8\xB7\xC7 " + LowerText(query.scheme)); // 而非
    else if (link.scheme != query.scheme)
        addPhrase(differences,
            "\xD0\xAD\xD2\xE9\xC3\xFB\xB4\xF3\xD0\xA1\xD0\xB4\xB2\xBB\xCD\xAC"); // 协议名大小写不同
}

void addHostDifferences(const AddressParts& query, const AddressParts& link, Text& differences)
{
    if (HasWww(query.host) && !HasWww(link.host))
        addPhrase(differences, "\xC9\xD9\xC1\xCB www."); // 少了 www.
    else if (!HasWww(query.host) && HasWww(link.host))
        addPhrase(differences, "\xB6\xE0\xC1\xCB www."); // 多了 www.
    const bool wwwCase
        = HasWww(query.host) && HasWww(link.host) && query.host.substr(0, 4) != link.host.substr(0, 4);
    if (wwwCase || SiteName(query.host) != SiteName(link.host))
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
    const bool querySlash = PathEndingSlash(queryRest, true) != npos;
    const bool linkSlash = PathEndingSlash(linkRest, linkComplete) != npos;
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
    if (!StartsWithIgnoringCase(query, "http://") && !StartsWithIgnoringCase(query, "https://"))
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
    if (!SplitWebAddress(form.address, true, form.parts))
        return;
    form.site = LowerText(SiteName(form.parts.host));
    form.rest = form.parts.rest;
    dropEndingSlash(form.rest, true);
    form.utf8 = utf8;
    form.written = address;
    form.decoded = form.address != address;
    m_window = std::max(m_window, address.size() + windowRoom);
    ++m_formCount;
}

bool NearMatch::ReadLink(std::string_view href, bool considerNear)
{
    href = TrimHtmlSpace(href);
    if (!HoldsAddress() || href.size() < 3 || (href.front() != '/' && LowerAsciiChar(href.front()) != 'h'))
        return false;
    AddressParts link;
    LinkShape shape;
    if (!readLink(href, link, shape))
        return false;
    for (std::size_t at = 0; considerNear && Wanted() && at < m_formCount; ++at) {
        const QueryForm& form = m_forms[at];
        if (OnSameSite(form.parts, form.site, link) && meets(form, link, shape))
            keep(href, form, link, shape);
    }
    return true;
}

bool NearMatch::MayBeOnSite(std::string_view site) const
{
    if (site.find('&') != npos)
        return true;
    for (std::size_t at = 0; at < m_formCount; ++at) {
        if (!site.empty() && EqualsIgnoringCase(site, m_forms[at].site))
            return true;
    }
    return false;
}

bool NearMatch::CarriesSite(std::string_view href) const
{
    // Enough of a query string for any address a partner's jump page takes.
    constexpr std::size_t carriedLimit = 4096;
    const std::size_t question = href.find('?');
    if (question == npos)
        return false;
    const Text carried = LowerText(PercentDecoded(href.substr(question + 1, carriedLimit)));
    for (std::size_t at = 0; at < m_formCount; ++at) {
        if (carried.find(m_forms[at].site) != Text::npos)
            return true;
    }
    return false;
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
    const bool split = SplitWebAddress(shape.written, shape.complete, link);
    if (reference == npos)
        return split && onSite(link);
    if (split && shape.written.data() + reference >= link.rest.data() && !onSite(link))
        return false;
    m_decoded.clear();
    const std::size_t read = DecodeHtmlReferences(href, m_window, m_decoded);
    shape.written = href.substr(0, read);
    shape.complete = read == href.size();
    shape.decoded = m_decoded != shape.written;
    return SplitWebAddress(m_decoded, shape.complete, link) && onSite(link);
}

bool NearMatch::onSite(const AddressParts& link) const
{
    for (std::size_t at = 0; at < m_formCount; ++at) {
        if (OnSameSite(m_forms[at].parts, m_forms[at].site, link))
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
