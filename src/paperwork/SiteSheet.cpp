#include "paperwork/SiteSheet.h"

#include "storage/ConfigFiles.h"

#include <map>

namespace px {

namespace {

std::string Escaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\n':
            out += "<br>";
            break;
        case '\r':
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The target pagers of a key, those set, separated by blanks.
std::string Pagers(const CallerRow& key, std::size_t first, std::size_t count)
{
    std::string text;
    for (std::size_t i = first; i < first + count; ++i) {
        if (key.devices[i] < 0)
            continue;
        text += (text.empty() ? "" : " ") + std::to_string(key.devices[i]);
    }
    return text;
}

// A table with its header row repeated on every page it spans.
class Table
{
public:
    struct Header
    {
        const char* title;
        int percent; // of the page width
    };

    explicit Table(const std::vector<Header>& headers) : columns_(headers.size())
    {
        html_ =
            "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><thead><tr>";
        for (const Header& header : headers)
            html_ += "<th bgcolor=\"#d9d9d9\" width=\"" + std::to_string(header.percent) + "%\">" +
                     Escaped(header.title) + "</th>";
        html_ += "</tr></thead><tbody>";
    }

    void Row(const std::vector<std::string>& cells)
    {
        html_ += "<tr>";
        for (std::size_t i = 0; i < columns_; ++i)
            html_ += "<td>" + (i < cells.size() ? Escaped(cells[i]) : std::string()) + "</td>";
        html_ += "</tr>";
    }

    std::string Html() const { return html_ + "</tbody></table>"; }

private:
    std::size_t columns_;
    std::string html_;
};

} // namespace

std::optional<SiteSheet> LoadSiteSheet(Database& db, const std::string& fileName,
                                       const std::string& date, std::string& error)
{
    const auto file = FindConfigFile(db, fileName);
    if (!file) {
        error = FileNotFoundMessage(db, fileName);
        return std::nullopt;
    }
    SiteSheet sheet;
    sheet.fileName = fileName;
    sheet.model = file->deviceType == FileType::QX ? "QX" : "PX";
    sheet.date = date;
    sheet.infoMachines = LoadInfoMachineView(db, fileName).rows;
    sheet.handhelds = LoadHandheldView(db, fileName);

    auto keys = LoadRowsAsStored(db, CallerTable(), fileName, error);
    if (!keys)
        return std::nullopt;
    // Keys come in ascending feature code, and keep that order within their caller number.
    std::map<int, CallerGroup> groups;
    for (CallerRow& key : *keys) {
        CallerGroup& group = groups[key.callNo];
        group.callNo = key.callNo;
        group.keys.push_back(std::move(key));
    }
    for (auto& [number, group] : groups)
        sheet.callers.push_back(std::move(group));
    return sheet;
}

std::string SiteSheetHtml(const SiteSheet& sheet)
{
    std::string html = "<html><head><meta charset=\"utf-8\"></head><body>";
    html += "<h2>站点资料：" + Escaped(sheet.fileName) + "</h2>";
    html += "<p>主机型号：" + Escaped(sheet.model) + "　　日期：" + Escaped(sheet.date) + "</p>";

    html += "<h3>信息机（" + std::to_string(sheet.infoMachines.size()) + "）</h3>";
    Table machines({{"传呼号", 15}, {"地址码", 20}, {"类型", 15}, {"备注", 50}});
    for (const InfoMachineListRow& row : sheet.infoMachines)
        machines.Row({std::to_string(row.deviceNo), row.address, row.typeName, row.remark});
    html += machines.Html();

    html += "<h3>手持呼叫器（" + std::to_string(sheet.handhelds.size()) + "）</h3>";
    Table handhelds({{"编号", 15}, {"特征码", 20}, {"备注", 65}});
    for (const HandheldListRow& row : sheet.handhelds)
        handhelds.Row({std::to_string(row.deviceNo), row.address, row.remark});
    html += handhelds.Html();

    std::size_t keys = 0;
    for (const CallerGroup& group : sheet.callers)
        keys += group.keys.size();
    html += "<h3>呼叫器（" + std::to_string(sheet.callers.size()) + " 个呼叫器号，" +
            std::to_string(keys) + " 个按键）</h3>";
    Table callers({{"呼叫器号", 9},
                   {"特征码", 15},
                   {"中文名称", 14},
                   {"信息内容", 20},
                   {"信息机1-4", 14},
                   {"中级主管", 9},
                   {"高级主管", 9},
                   {"追呼类型", 10}});
    for (const CallerGroup& group : sheet.callers) {
        for (std::size_t k = 0; k < group.keys.size(); ++k) {
            const CallerRow& v = group.keys[k];
            // The caller number heads its group; its further keys leave it blank.
            std::vector<std::string> cells = {k == 0 ? std::to_string(group.callNo) : "",
                                              v.codeNo,
                                              v.callName,
                                              v.keyName,
                                              Pagers(v, 0, 4),
                                              Pagers(v, 4, 2),
                                              Pagers(v, 6, 2)};
            cells.push_back(v.zhuiHu >= 0 && v.zhuiHu < static_cast<int>(kEscalationChoices.size())
                                ? kEscalationChoices[static_cast<std::size_t>(v.zhuiHu)]
                                : std::to_string(v.zhuiHu));
            callers.Row(cells);
        }
    }
    html += callers.Html();

    html += "<h3>主机</h3>";
    if (!sheet.host) {
        html += "<p>打印时没有连接主机。</p>";
    } else {
        Table host({{"项目", 40}, {"值", 60}});
        host.Row({"版本号", sheet.host->version});
        for (const auto& [label, value] : sheet.host->settings)
            host.Row({label, value});
        html += host.Html();
    }
    return html + "</body></html>";
}

} // namespace px
