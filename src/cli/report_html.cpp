#include "cli/report_html.h"

#include "base/gbk_codec.h"
#include "cli/control_bytes.h"
#include "cli/history_table.h"

#include <algorithm>
#include <ostream>

namespace {

struct StateLook {
    ReportState state;
    const char* label;
    const char* colour;
};

// The worst first, as the table orders the sites.
constexpr StateLook looks[] = {
    { ReportState::Missing, "丢失", "#d62728" },
    { ReportState::Unreachable, "无法访问", "#7f7f7f" },
    { ReportState::NotCounted, "不计入", "#ff9f1c" },
    { ReportState::Counted, "计入", "#2ca02c" },
    { ReportState::Absent, "未检查", "#eeeeee" },
};

const StateLook& lookOf(ReportState state)
{
    return *std::find_if(
        std::begin(looks), std::end(looks), [state](const StateLook& look) { return look.state == state; });
}

// UTF-8 text made safe for an HTML text or attribute: markup characters as
// references, control bytes as blanks.
std::string escaped(const std::string& utf8)
{
    std::string text;
    text.reserve(utf8.size());
    for (const char c : defusedText(utf8, ControlBytes::Blanked)) {
        switch (c) {
        case '&':
            text += "&amp;";
            break;
        case '<':
            text += "&lt;";
            break;
        case '>':
            text += "&gt;";
            break;
        case '"':
            text += "&quot;";
            break;
        case '\'':
            text += "&#39;";
            break;
        default:
            text += c;
        }
    }
    return text;
}

std::string shown(const Text& gbk) { return escaped(GbkToUtf8(gbk)); }
std::string timeText(std::int64_t seconds) { return seconds ? escaped(localTimeText(seconds)) : "—"; }

constexpr char style[] = R"(body{font-family:sans-serif;margin:2em;color:#222}
h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.5em}
table{border-collapse:collapse;width:100%;font-size:.9em}
th,td{border:1px solid #ccc;padding:.3em .5em;text-align:left;vertical-align:top}
th{background:#f4f4f4}td.num{text-align:right}
.legend span{display:inline-block;margin-right:1.2em}
.legend i{display:inline-block;width:.9em;height:.9em;margin-right:.3em;vertical-align:middle}
.state{font-weight:bold}td.reason{word-break:break-all}
svg{display:block}
@media print{body{margin:0;font-size:10pt}*{-webkit-print-color-adjust:exact;print-color-adjust:exact}
tr{break-inside:avoid}thead{display:table-header-group}}
)";

void writeLegend(std::ostream& out)
{
    out << "<p class=\"legend\">";
    for (const StateLook& look : looks)
        out << "<span><i style=\"background:" << look.colour << "\"></i>" << look.label << "</span>";
    out << "</p>\n";
}

// Stacked bars, one per run: counted at the bottom, then not counted, missing, unreachable.
void writeTotalsChart(const SiteReport& report, std::ostream& out)
{
    constexpr int height = 160;
    int most = 1;
    for (const ReportRun& run : report.runs)
        most = std::max(most, run.counted + run.notCounted + run.missing + run.unreachable);
    const int bar = std::clamp(720 / std::max<int>(1, static_cast<int>(report.runs.size())), 2, 24);
    const int width = bar * static_cast<int>(report.runs.size()) + 40;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" aria-label=\"各次检查的结果\" width=\""
        << width << "\" height=\"" << height + 20 << "\">\n";
    out << "<text x=\"0\" y=\"12\" font-size=\"11\">" << most << "</text><text x=\"0\" y=\"" << height
        << "\" font-size=\"11\">0</text>\n";
    for (std::size_t index = 0; index < report.runs.size(); ++index) {
        const ReportRun& run = report.runs[index];
        const std::pair<int, ReportState> parts[]
            = { { run.counted, ReportState::Counted }, { run.notCounted, ReportState::NotCounted },
                  { run.missing, ReportState::Missing }, { run.unreachable, ReportState::Unreachable } };
        double top = height;
        const int x = 40 + bar * static_cast<int>(index);
        for (const auto& [value, state] : parts) {
            const double size = static_cast<double>(value) * (height - 10) / most;
            top -= size;
            if (value > 0)
                out << "<rect x=\"" << x << "\" y=\"" << top << "\" width=\"" << std::max(bar - 1, 1)
                    << "\" height=\"" << size << "\" fill=\"" << lookOf(state).colour << "\"><title>"
                    << timeText(run.run.ended) << " " << lookOf(state).label << " " << value
                    << "</title></rect>\n";
        }
    }
    out << "</svg>\n";
}

// One cell per run, coloured by the site's state in it.
void writeStrip(const ReportSite& site, const std::vector<ReportRun>& runs, std::ostream& out)
{
    const int cell = std::clamp(300 / std::max<int>(1, static_cast<int>(site.runs.size())), 2, 12);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << cell * static_cast<int>(site.runs.size())
        << "\" height=\"14\">";
    for (std::size_t index = 0; index < site.runs.size(); ++index) {
        const StateLook& look = lookOf(site.runs[index]);
        out << "<rect x=\"" << cell * static_cast<int>(index) << "\" width=\"" << std::max(cell - 1, 1)
            << "\" height=\"14\" fill=\"" << look.colour << "\"><title>" << timeText(runs[index].run.ended)
            << " " << look.label << "</title></rect>";
    }
    out << "</svg>";
}

void writeSiteRow(const ReportSite& site, const std::vector<ReportRun>& runs, std::ostream& out)
{
    const StateLook& look = lookOf(site.now);
    out << "<tr id=\"site-" << site.n << "\"><td class=\"num\">" << site.n << "</td><td>" << shown(site.name)
        << "</td><td>" << shown(site.address) << "</td><td class=\"state\" style=\"color:" << look.colour
        << "\">" << look.label << "</td><td>" << escaped(site.counts) << "</td><td>" << timeText(site.since)
        << "</td><td>" << timeText(site.lastCounted) << "</td><td class=\"num\">" << site.lostRuns
        << "</td><td>";
    writeStrip(site, runs, out);
    out << "</td><td class=\"reason\">" << shown(site.reason) << "</td></tr>\n";
}

}

void writeHtmlReport(const SiteReport& report, const std::string& listName, std::ostream& out)
{
    const std::string list = escaped(GbkToUtf8(Utf8ToGbk(listName)));
    out << "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
        << "<title>LinkWatch 报告 — " << list << "</title>\n<style>" << style << "</style>\n</head>\n<body>\n"
        << "<h1>LinkWatch 友情链接报告</h1>\n<p>列表: " << list << "<br>" << report.sites.size()
        << " 个网站，" << report.runs.size() << " 次检查";
    if (!report.runs.empty())
        out << "，从 " << timeText(report.runs.front().run.started) << " 到 "
            << timeText(report.runs.back().run.ended);
    out << "</p>\n<h2>各次检查的结果</h2>\n";
    writeLegend(out);
    writeTotalsChart(report, out);
    out << "<h2>网站 (最差的在前)</h2>\n<table>\n<thead><tr><th>#</th><th>名称</th><th>地址</th><th>现状</th>"
           "<th>计入</th><th>自从</th><th>最后计入</th><th>连续丢失次数</th><th>历次</th><th>原因</th></tr></"
           "thead>\n"
           "<tbody>\n";
    for (const ReportSite& site : report.sites)
        writeSiteRow(site, report.runs, out);
    out << "</tbody>\n</table>\n</body>\n</html>\n";
}
