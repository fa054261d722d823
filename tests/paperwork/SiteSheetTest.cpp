#include "paperwork/SiteSheet.h"

#include "gui/paperwork/SiteSheetPdf.h"
#include "mock/DatabaseFixture.h"
#include "mock/FullFile.h"

#include <QTextDocument>
#include <array>
#include <cstdio>
#include <memory>
#include <regex>

namespace px {
namespace {

class SiteSheetTest : public test::DatabaseFixture
{
protected:
    SiteSheet Load(const std::string& name)
    {
        std::string error;
        auto sheet = LoadSiteSheet(db_, name, "2026-12-10", error);
        EXPECT_TRUE(sheet.has_value()) << error;
        return sheet.value_or(SiteSheet{});
    }

    // The text of a PDF file as poppler extracts it.
    static std::string PdfText(const std::string& path)
    {
        std::string text;
        const std::string command = "pdftotext -layout '" + path + "' - 2>/dev/null";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        if (!pipe)
            return text;
        std::array<char, 4096> buffer{};
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
            text.append(buffer.data(), n);
        return text;
    }
};

TEST_F(SiteSheetTest, CallersAreGroupedByCallerNumberAndTextsEscaped)
{
    AddFile("店", 1);
    AddMachine("店", 5, "123", 4, "<b>前台</b> & 吧台");
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo3,"
        "DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,FileName) values "
        "('BBBBB1',2,'二号','结账',5,-1,-1,-1,-1,-1,7,-1,1,0,'店'),"
        "('AAAAA2',1,'一号','加水',5,6,-1,-1,-1,-1,-1,-1,0,0,'店'),"
        "('AAAAA1',1,'一号','呼叫',5,-1,-1,-1,8,-1,-1,-1,2,0,'店')"));
    const SiteSheet sheet = Load("店");
    EXPECT_EQ(sheet.model, "QX");
    ASSERT_EQ(sheet.callers.size(), 2u);
    EXPECT_EQ(sheet.callers[0].callNo, 1);
    ASSERT_EQ(sheet.callers[0].keys.size(), 2u);
    EXPECT_EQ(sheet.callers[0].keys[0].codeNo, "AAAAA1");
    EXPECT_EQ(sheet.callers[1].keys[0].codeNo, "BBBBB1");

    const std::string html = SiteSheetHtml(sheet);
    EXPECT_NE(html.find("&lt;b&gt;前台&lt;/b&gt; &amp; 吧台"), std::string::npos) << "escaped";
    EXPECT_EQ(html.find("<b>前台"), std::string::npos);
    EXPECT_NE(html.find("<td>5 6</td>"), std::string::npos) << "the set pagers of key AAAAA2";
    EXPECT_NE(html.find("<thead>"), std::string::npos) << "header rows repeat across pages";
    EXPECT_NE(html.find("打印时没有连接主机"), std::string::npos);

    std::string error;
    EXPECT_FALSE(LoadSiteSheet(db_, "nope", "", error).has_value());
    EXPECT_NE(error.find("不存在"), std::string::npos);
}

TEST_F(SiteSheetTest, TheHostPartShowsWhatWasRead)
{
    AddFile("店", 0);
    SiteSheet sheet = Load("店");
    sheet.host = HostFacts{"PX V2.0", {{"房号开关", "开"}, {"发射频率（kHz）", "430225"}}};
    const std::string html = SiteSheetHtml(sheet);
    EXPECT_NE(html.find("<td>PX V2.0</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>发射频率（kHz）</td><td>430225</td>"), std::string::npos);
    EXPECT_EQ(html.find("打印时没有连接主机"), std::string::npos);
}

TEST_F(SiteSheetTest, TheSheetOfAFullFileHoldsEveryRowOnNumberedPages)
{
    ASSERT_TRUE(test::FillFullPxFile(db_, "全店"));
    const SiteSheet sheet = Load("全店");
    const std::string path = folder_.File("sheet.pdf");
    QString error;
    ASSERT_TRUE(WriteSiteSheetPdf(sheet, QString::fromStdString(path), error))
        << error.toStdString();

    const std::string text = PdfText(path);
    ASSERT_FALSE(text.empty()) << "pdftotext (poppler-utils) is needed";
    EXPECT_NE(text.find("站点资料：全店"), std::string::npos) << "Chinese text is in the file";
    // Every row: each information machine's address, each handheld code, each caller key.
    for (int pager = 0; pager < 500; ++pager)
        EXPECT_NE(text.find(std::to_string(100000 + pager)), std::string::npos) << pager;
    for (int number = 1; number <= 100; ++number) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", 0x1000 + number);
        EXPECT_NE(text.find(code), std::string::npos) << code;
    }
    for (int key = 0; key < 1999; ++key) {
        char code[8];
        std::snprintf(code, sizeof code, "%05X%d", 0x10000 + key / 3, key % 3 + 1);
        EXPECT_NE(text.find(code), std::string::npos) << code;
    }
    // The caller table spans many pages, each starting with its header row.
    const std::size_t pages = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\f'));
    EXPECT_GT(pages, 20u);
    std::size_t headers = 0;
    for (std::size_t at = text.find("信息内容"); at != std::string::npos;
         at = text.find("信息内容", at + 1))
        ++headers;
    EXPECT_GT(headers, 10u) << "the header row repeats on every page of the table";
    // Page numbers at the foot: the last page's number is the page count.
    const std::size_t lastPage = text.rfind('\f', text.size() - 2);
    const std::string tail = text.substr(lastPage == std::string::npos ? 0 : lastPage);
    EXPECT_TRUE(std::regex_search(tail, std::regex("\\b" + std::to_string(pages) + "\\s*\\f?$")))
        << tail.substr(tail.size() > 200 ? tail.size() - 200 : 0);
}

} // namespace
} // namespace px
