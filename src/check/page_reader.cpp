#include "check/page_reader.h"

#include "base/gbk_codec.h"
#include "check/anchor_text.h"
#include "check/canonical_address.h"
#include "check/link_rel.h"
#include "check/name_table.h"
#include "check/web_address.h"

#include <algorithm>

namespace {

// The most of a link's content its anchor text is read from.
constexpr std::size_t anchorContentLimit = std::size_t { 64 } << 10;

bool hasToken(std::string_view value, std::string_view lowerToken)
{
    return AnyHtmlToken(
        value, [lowerToken](std::string_view token) { return EqualsIgnoringCase(token, lowerToken); });
}

}

// The attributes of a start tag the reading looks at, the first of each
// name. Only the slots marked present are ever read, so that a tag costs no
// clearing of all of them.
struct PageReader::Tag {
    enum Slot : unsigned {
        Id,
        Rel,
        Src,
        Alt,
        Href,
        Name,
        Style,
        Class,
        Action,
        Content,
        Charset,
        HttpEquiv,
        Slots
    };

    std::string_view name;
    HtmlElement element = HtmlElement::Other;
    bool hidden = false;

    // Inline, always, in the loop that reads a start tag: a call would cost about as much.
    [[gnu::always_inline]] inline void Keep(const HtmlAttribute& attribute);
    bool Has(Slot slot) const { return (m_present >> slot) & 1U; }
    // The value of the slot's attribute; empty when the tag has none.
    std::string_view operator[](Slot slot) const
    {
        return Has(slot) ? std::string_view(m_values[slot].data, m_values[slot].size) : std::string_view();
    }

private:
    // Trivial, so that a new tag leaves them as they are.
    struct Value {
        const char* data;
        std::size_t size;
    };
    unsigned m_present = 0;
    Value m_values[Slots];
};

void PageReader::Tag::Keep(const HtmlAttribute& attribute)
{
    // hidden has no slot: its being there is all that is read of it.
    static constexpr unsigned hiddenSlot = Slots;
    static constexpr unsigned noSlot = Slots + 1;
    static constexpr NameTable<unsigned> slots(
        { { "id", Id }, { "rel", Rel }, { "src", Src }, { "alt", Alt }, { "href", Href }, { "name", Name },
            { "style", Style }, { "class", Class }, { "action", Action }, { "content", Content },
            { "charset", Charset }, { "http-equiv", HttpEquiv }, { "hidden", hiddenSlot } },
        noSlot);
    const unsigned slot = slots[attribute.name];
    if (slot == hiddenSlot)
        hidden = true;
    else if (slot < Slots && !Has(static_cast<Slot>(slot))) {
        // An attribute without a value is there all the same, with an empty value.
        m_values[slot] = Value { attribute.value.data(), attribute.value.size() };
        m_present |= 1U << slot;
    }
}

PageReader::PageReader(std::string_view page, const MarkupQuery& query)
    : m_page(page)
    , m_query(query)
    , m_scan(page)
    , m_near(query.query)
    , m_outbound(query.pageUrl)
    , m_matches(page, query.found)
    , m_utf8(query.utf8)
{
}

PageMarkup PageReader::Read()
{
    std::size_t textBegin = 0;
    while (m_scan.Next()) {
        readText(textBegin, m_scan.Begin());
        switch (m_scan.Token()) {
        case HtmlToken::StartTag:
            readStartTag();
            break;
        case HtmlToken::EndTag:
            readEndTag();
            break;
        case HtmlToken::RawText:
            readRawText();
            break;
        case HtmlToken::Comment:
            judgeUpTo(m_scan.End(), LinkPlacement::Comment);
            break;
        }
        textBegin = m_scan.End();
    }
    readText(textBegin, m_page.size());
    closeLink(m_page.size());
    const MatchPlacements::Match& chosen = m_matches.Chosen();
    m_markup.matchOffset = chosen.offset;
    m_markup.placement = chosen.placement;
    m_markup.href = keptHref(chosen.href);
    m_markup.anchor = chosen.anchor;
    m_markup.near = m_near.Link();
    m_markup.nearDifference = m_near.Difference();
    m_markup.outbound = m_outbound.Count();
    m_markup.outboundHosts = m_outbound.Hosts();
    m_markup.outboundNofollow = m_outbound.NoFollow();
    m_markup.page = m_signals.Kind();
    return std::move(m_markup);
}

// The page's text between two tokens.
void PageReader::readText(std::size_t begin, std::size_t end)
{
    if (begin >= end)
        return;
    if (!m_stack.InNoScript())
        m_signals.AddText(m_page.substr(begin, end - begin));
    judgeUpTo(end, LinkPlacement::None);
}

void PageReader::readStartTag()
{
    Tag tag;
    tag.name = m_scan.TagName();
    tag.element = m_scan.Element();
    m_scan.ReadStartTag([&tag](const HtmlAttribute& attribute) { tag.Keep(attribute); });
    const bool isLink = tag.element == HtmlElement::A;
    const bool isArea = tag.element == HtmlElement::Area;
    if (isLink)
        closeLink(m_scan.Begin());
    if (!IsVoidElement(tag.element) && !m_scan.SelfClosing()) {
        m_stack.Start(tag.name, tag.element, tag.hidden || ElementStack::StyleHides(tag[Tag::Style]));
        m_signals.StartElement(tag.element, tag[Tag::Id]);
    }
    readTagSignals(tag);
    if (isLink || isArea)
        openLink(tag);
    judgeUpTo(m_scan.End(), LinkPlacement::None);
    if (isArea)
        closeLink(m_scan.End(), &tag);
}

void PageReader::readEndTag()
{
    const std::string_view name = m_scan.TagName();
    if (m_scan.Element() == HtmlElement::A)
        closeLink(m_scan.Begin());
    m_stack.End(name);
    m_signals.EndElement(m_scan.Element());
    judgeUpTo(m_scan.End(), LinkPlacement::None);
}

// The content of a script, style, textarea or title element.
void PageReader::readRawText()
{
    const std::size_t end = m_scan.End();
    LinkPlacement placement = LinkPlacement::None;
    if (m_scan.Element() == HtmlElement::Script)
        placement = LinkPlacement::Script;
    else if (m_scan.Element() == HtmlElement::Style)
        placement = LinkPlacement::Style;
    else if (m_scan.Element() == HtmlElement::TextArea)
        placement = LinkPlacement::TextArea;
    else
        m_signals.AddTitle(m_page.substr(m_scan.Begin(), end - m_scan.Begin()));
    judgeUpTo(end, placement);
}

// What a tag tells beyond links: robots and charset, canonical, scripts and bot-check signatures.
void PageReader::readTagSignals(const Tag& tag)
{
    switch (tag.element) {
    case HtmlElement::Meta:
        readMeta(tag);
        break;
    case HtmlElement::Link:
        if (!m_canonicalRead && hasToken(tag[Tag::Rel], "canonical")) {
            m_canonicalRead = true;
            if (NamesOtherPage(tag[Tag::Href], m_query.pageUrl))
                m_markup.canonical = keptHref(tag[Tag::Href]);
        }
        break;
    case HtmlElement::Script:
        m_signals.AddScript(tag[Tag::Src]);
        break;
    case HtmlElement::Form:
    case HtmlElement::Div:
    case HtmlElement::IFrame:
    case HtmlElement::Input:
        if (!m_signals.WantsSignatureValues())
            break;
        for (const std::string_view value :
            { tag[Tag::Id], tag[Tag::Class], tag[Tag::Action], tag[Tag::Src], tag[Tag::Name] })
            m_signals.AddSignatureValue(value);
        break;
    default:
        break;
    }
}

void PageReader::readMeta(const Tag& tag)
{
    m_markup.robots.AddMeta(tag[Tag::Name], tag[Tag::Content]);
    if (NamesUtf8(tag[Tag::Charset])
        || (EqualsIgnoringCase(tag[Tag::HttpEquiv], "content-type") && NamesUtf8(tag[Tag::Content])))
        m_utf8 = true;
}

void PageReader::openLink(const Tag& tag)
{
    if (!tag.Has(Tag::Href)) {
        m_link = OpenLink { ++m_linkCount, m_scan.End(), {}, LinkRel::None, false };
        return;
    }
    LinkRel rel = LinkRel::None;
    if (tag.Has(Tag::Rel))
        rel = LinkRelOfValue(tag[Tag::Rel]);
    // Most links point at other sites: their site alone turns them down.
    const std::string_view site = SiteName(LinkHost(TrimHtmlSpace(tag[Tag::Href])));
    const bool pointsAtSite
        = m_near.MayBeOnSite(site) && m_near.ReadLink(tag[Tag::Href], m_query.found.empty());
    m_link = OpenLink { ++m_linkCount, m_scan.End(), tag[Tag::Href], rel, pointsAtSite };
    m_markup.links += pointsAtSite ? 1 : 0;
    m_outbound.Add(site, rel);
    m_signals.AddLink();
}

// Ends the open link, if any, its content ending at contentEnd; an area's
// anchor is its image's alt.
void PageReader::closeLink(std::size_t contentEnd, const Tag* area)
{
    if (m_link.number == 0)
        return;
    if (m_matches.WantsAnchor(m_link.number)) {
        const std::size_t length
            = std::min(contentEnd - std::min(m_link.contentBegin, contentEnd), anchorContentLimit);
        m_matches.SetAnchor(m_link.number,
            area ? ImageAnchorText((*area)[Tag::Alt], m_utf8)
                 : ReadAnchorText(m_page.substr(m_link.contentBegin, length), m_utf8));
    }
    m_link = OpenLink {};
}

void PageReader::judgeMatches(std::size_t end, LinkPlacement fixed)
{
    while (m_matches.Next() < end) {
        const LinkPlacement placement = fixed != LinkPlacement::None ? fixed : placementHere();
        const bool counts = placement == LinkPlacement::Link && !RelPassesBy(m_link.rel);
        const bool inLink = fixed == LinkPlacement::None && m_link.number != 0;
        m_matches.Judge(
            placement, counts, inLink ? m_link.number : 0, inLink ? m_link.href : std::string_view());
    }
}

LinkPlacement PageReader::placementHere()
{
    if (m_stack.InNoScript())
        return LinkPlacement::NoScript;
    if (m_stack.Hidden())
        return LinkPlacement::Hidden;
    if (m_link.number == 0)
        return LinkPlacement::Text;
    if (!m_near.HoldsAddress() || m_link.pointsAtSite)
        return LinkPlacement::Link;
    return m_near.CarriesSite(m_link.href) ? LinkPlacement::Jump : LinkPlacement::Text;
}

// An href as the outcome keeps it: references decoded, in GBK, within the outcome's limit.
Text PageReader::keptHref(std::string_view href) const
{
    std::string decoded;
    DecodeHtmlReferences(TrimHtmlSpace(href), OutcomeTextLimit * 3 / 2, decoded);
    return CappedOutcomeText(m_utf8 ? Utf8ToGbk(decoded) : decoded);
}
