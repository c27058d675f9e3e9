#include "feedsim/WebPages.h"

#include "feedsim/FeedForms.h"
#include "feedsim/Simulation.h"

#include <array>

namespace feedsim {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kText = "text/plain; charset=utf-8";

constexpr const char* kNotice = "<p class=\"notice\">本站开奖号码为本地模拟数据，并非真实开奖。"
                                "The draws served here are simulated, not real results.</p>";

// The panels are small (the top one about 975 x 140 px, the right one 240 x 366 px): a heading,
// a line or two and the notice, which fit without scrolling.
std::string html(std::string_view title, std::string_view body) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
                       "<title>";
    page += title;
    page += "</title><style>body{font-family:sans-serif;margin:6px;font-size:13px;"
            "background:#fff8e6;color:#333}p{margin:4px 0}"
            ".notice{color:#a00;font-weight:bold}h1{font-size:16px;margin:2px 0}"
            "li{margin:1px 0}</style></head><body>\n";
    page += body;
    page += '\n';
    page += kNotice;
    page += "\n</body></html>\n";
    return page;
}

struct Panel {
    std::string_view path;
    std::string_view heading;
    std::string_view text;
};

const std::array<Panel, 7> kPanels{{
    {"/add/vnadd1.html", "时时彩 · Kestrum",
     "重庆、江西、新疆、天津时时彩的本地演示面板。Local demonstration panel."},
    {"/add/vnadd3.html", "Kestrum 本地演示",
     "此面板来自本机的模拟服务器。This panel comes from the local feed server."},
    {"/add/ptadd.html", "迪拜五分彩 · 迪拜分分彩", "本地演示面板。Local demonstration panel."},
    {"/add/vnadd99.html", "印尼分分彩", "本地演示面板。Local demonstration panel."},
    {"/add/vnaddxc.html", "河内分分彩", "本地演示面板。Local demonstration panel."},
    {"/add/vnaddhc.html", "泰国分分彩", "本地演示面板。Local demonstration panel."},
    {"/add/vnaddqy.html", "西贡分分彩", "本地演示面板。Local demonstration panel."},
}};

std::string origin(int port) {
    return "http://127.0.0.1:" + std::to_string(port);
}

// The site page lists the ten feeds with their addresses, for trying them in a browser.
std::string sitePage(const Ports& ports) {
    std::string body = "<h1>Kestrum</h1><p>时时彩、分分彩计划软件的本地演示站点。"
                       "Local demonstration site.</p>\n<ul>\n";
    for (const FeedInfo& feed : feeds()) {
        const std::string host = origin(feed.host == Host::Feed1 ? ports.feed1 : ports.feed2);
        const std::string url = host + std::string(feed.path);
        const std::string json = host + feedPath(feed, FeedForm::Json);
        const std::string csv = host + feedPath(feed, FeedForm::Csv);
        body += "<li>" + std::to_string(feed.number) + " " + std::string(feed.name) + ", " +
                std::to_string(feed.drawsPerDay) + "/day: <a href=\"" + url + "\">" + url +
                "</a> (<a href=\"" + json + "\">JSON</a>, <a href=\"" + csv + "\">CSV</a>)</li>\n";
    }
    body += "</ul>";
    return html("Kestrum", body);
}

} // namespace

Page webPage(std::string_view path, const Ports& ports) {
    if (path == "/setting/vnupdata.txt") {
        return {"20160615\n", kText};
    }
    if (path == "/addurl/vn.txt") {
        return {origin(ports.web) + "/promo.html\n", kText};
    }
    if (path == "/xiazai/vnssc.rar") {
        return {"A placeholder for the update package: the local feed server has none.\n",
                "application/octet-stream"};
    }
    if (path == "/" || path == "/index.html") {
        return {sitePage(ports), kHtml};
    }
    if (path == "/promo.html") {
        return {html("推广 / Promotion", "<h1>推广页面 / Promotion</h1><p>本地测试用的推广页面。"
                                         "A local promotion page for testing.</p>"),
                kHtml};
    }
    for (const Panel& panel : kPanels) {
        if (path == panel.path) {
            std::string body = "<h1>";
            body += panel.heading;
            body += "</h1><p>";
            body += panel.text;
            body += "</p>";
            return {html(panel.heading, body), kHtml};
        }
    }
    return {};
}

} // namespace feedsim
