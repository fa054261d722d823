#include "gui/transfer/ReadBackBrowser.h"

#include "common/Gbk.h"
#include "gui/widgets/ReportTableView.h"
#include "mock/ScriptedPrompter.h"
#include "mock/TempFolder.h"
#include "mock/WaitUntil.h"

#include <QPushButton>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <tuple>

namespace px {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::vector<std::string>>;

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

class ReadBackBrowserTest : public ::testing::Test
{
protected:
    std::string Write(const char* name, const Bytes& bytes)
    {
        std::ofstream file(PathFromUtf8(folder_.File(name)), std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return folder_.File(name);
    }

    static void Show(ReadBackBrowser& dialog)
    {
        dialog.show();
        ASSERT_TRUE(test::WaitUntil([&] { return dialog.isVisible(); }));
        QCoreApplication::processEvents();
    }

    static QStringList Titles(const ReadBackBrowser& dialog)
    {
        QStringList titles;
        const ReportTableModel& model = *dialog.List()->Model();
        for (int column = 0; column < model.ColumnCount(); ++column)
            titles << dialog.List()->GradientHeader()->SectionText(column);
        return titles;
    }

    // Pager 3 at address 123 of type LW2/LW1, pager 7 at 2097151 (LW3), pager 499 at 0 (BX-2),
    // and five bytes of a record that never came whole.
    static Bytes InfoMachineFile()
    {
        Bytes file(95, 0x00);
        const auto record = [&](int i, Bytes head, Bytes address) {
            std::copy(head.begin(), head.end(), file.begin() + 30 * i);
            std::copy(address.begin(), address.end(), file.begin() + 30 * i + 8);
            file[static_cast<std::size_t>(30 * i + 29)] = 0xFF;
        };
        record(0, {0x00, 0x03, 0xF8, 0xF1, 0x02}, {0x00, 0x00, 0x7B});
        record(1, {0x00, 0x07, 0xFE, 0xF4, 0x02}, {0x1F, 0xFF, 0xFF});
        record(2, {0x01, 0xF3, 0xF8, 0xF0, 0x02}, {0x00, 0x00, 0x00});
        return file;
    }

    static Bytes CallerRecord()
    {
        Bytes r(100, 0xFF);
        const Bytes head = {0x55, 0xA1, 0xB2, 0xC3, 0xFF, 0xFF, 0xFF, 0xFF, 0x2C, 0x01};
        std::copy(head.begin(), head.end(), r.begin());
        const Bytes name = *ToGbk("张三");
        std::copy(name.begin(), name.end(), r.begin() + 10);
        const Bytes message = *ToGbk("请到前台");
        std::copy(message.begin(), message.end(), r.begin() + 20);
        r[68] = 12; // 信息机1 = 12; the other devices are none
        r[69] = 0;
        r[84] = 2;
        return r;
    }

    test::TempFolder folder_;
    test::ScriptedPrompter prompter_;
};

TEST_F(ReadBackBrowserTest, EachModeHasItsTitleSizeColumnsAndColours)
{
    struct Case
    {
        TableKind mode;
        const char* title;
        int width;
        QStringList columns;
        bool coloured; // the browser's own list and header colours
    };
    const std::vector<Case> cases = {
        {TableKind::InfoMachines,
         "回读数据浏览------信息机参数",
         700,
         {Q("设备编号"), Q("设备地址"), Q("设备类型")},
         true},
        {TableKind::Callers,
         "回读数据浏览------呼叫器参数",
         1150,
         {Q("机器类型"), Q("特征码"), Q("呼叫器号"), Q("中文名称"), Q("信息内容"), Q("信息机1"),
          Q("信息机2"), Q("信息机3"), Q("信息机4"), Q("中级主管1"), Q("中级主管2"), Q("高级主管1"),
          Q("高级主管2"), Q("追呼类型")},
         true},
        {TableKind::Handhelds,
         "回读数据浏览------手持呼叫器参数",
         700,
         {Q("设备编号"), Q("设备地址")},
         false},
    };
    const QColor plainBackground = ReportTableView().BackgroundColour();
    for (const Case& c : cases) {
        ReadBackBrowser dialog(c.mode, HostModel::PX, folder_.File("none.txt"), prompter_);
        EXPECT_EQ(dialog.windowTitle(), Q(c.title));
        EXPECT_EQ(dialog.size(), QSize(c.width, 500)) << c.title;
        EXPECT_EQ(Titles(dialog), c.columns) << c.title;
        for (int column = 0; column < c.columns.size(); ++column) {
            EXPECT_EQ(dialog.List()->GradientHeader()->SectionAlignment(column), Qt::AlignHCenter)
                << column;
            EXPECT_EQ(dialog.List()->Model()->ColumnAt(column).alignment, Qt::AlignHCenter)
                << "cells centred like their titles";
        }
        EXPECT_TRUE(dialog.List()->showGrid());
        EXPECT_EQ(dialog.List()->CellFont(), ListFont(12, 0));
        EXPECT_EQ(dialog.List()->GradientHeader()->font(), ListFont(15, 0));
        EXPECT_EQ(dialog.List()->selectionBehavior(), QAbstractItemView::SelectRows);

        const HeaderGradient& g = dialog.List()->GradientHeader()->Gradient();
        const HeaderGradient expected =
            c.coloured ? HeaderGradient{55, 180, 215, 5} : HeaderGradient{171, 199, 235, 8};
        EXPECT_EQ(std::tie(g.red, g.green, g.blue, g.step),
                  std::tie(expected.red, expected.green, expected.blue, expected.step))
            << c.title;
        EXPECT_EQ(dialog.List()->BackgroundColour(),
                  c.coloured ? QColor(180, 180, 220) : plainBackground)
            << c.title;
    }
}

TEST_F(ReadBackBrowserTest, ColumnColoursOfTheCallerTable)
{
    ReadBackBrowser dialog(TableKind::Callers, HostModel::PX, Write("RCall.txt", CallerRecord()),
                           prompter_);
    const QColor yellow(254, 252, 201), green(210, 254, 205), cyan(209, 255, 254),
        pink(253, 226, 214);
    const std::vector<QColor> expected = {yellow, green, cyan, cyan, pink, pink, yellow};
    const std::vector<int> columns = {0, 1, 2, 9, 11, 12, 13};
    for (std::size_t i = 0; i < columns.size(); ++i)
        EXPECT_EQ(dialog.List()->CellBackground(0, columns[i], false), expected[i]) << columns[i];
    for (int column : {3, 4})
        EXPECT_EQ(dialog.List()->CellBackground(0, column, false), yellow) << column;
    for (int column : {5, 6, 7, 8})
        EXPECT_EQ(dialog.List()->CellBackground(0, column, false), green) << column;

    // Black text on every column, selected or not, whatever the system's text colours.
    QPalette light = dialog.List()->palette();
    light.setColor(QPalette::Text, Qt::white);
    light.setColor(QPalette::HighlightedText, Qt::yellow);
    dialog.List()->setPalette(light);
    for (int column = 0; column < dialog.List()->Model()->ColumnCount(); ++column) {
        EXPECT_EQ(dialog.List()->CellTextColour(0, column, false), QColor(Qt::black)) << column;
        EXPECT_EQ(dialog.List()->CellTextColour(0, column, true), QColor(Qt::black)) << column;
    }

    ReadBackBrowser machines(TableKind::InfoMachines, HostModel::PX, folder_.File("none.txt"),
                             prompter_);
    EXPECT_EQ(machines.List()->CellBackground(0, 2, false), QColor(180, 180, 220))
        << "the type column has no colour of its own";
}

TEST_F(ReadBackBrowserTest, ShowsOneRowPerWholeRecord)
{
    ReadBackBrowser machines(TableKind::InfoMachines, HostModel::PX,
                             Write("RDevice.txt", InfoMachineFile()), prompter_);
    EXPECT_EQ(machines.ShownRows(),
              (Rows{{"3", "123", "LW2/LW1"}, {"7", "2097151", "LW3"}, {"499", "0", "BX-2"}}));

    ReadBackBrowser callers(TableKind::Callers, HostModel::PX, Write("RCall.txt", CallerRecord()),
                            prompter_);
    EXPECT_EQ(callers.ShownRows(), (Rows{{"0", "A1B2C3", "300", "张三", "请到前台", "12", "", "",
                                          "", "", "", "", "", "删除追呼"}}));

    ReadBackBrowser handhelds(TableKind::Handhelds, HostModel::PX,
                              Write("RSCCall.txt", {0x05, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x05, 0x1A,
                                                    0x2B, 0xFF, 0xFF, 0xFF}),
                              prompter_);
    EXPECT_EQ(handhelds.ShownRows(), (Rows{{"5", "1A2B"}}));

    Show(machines);
    Show(callers);
    Show(handhelds);
    EXPECT_TRUE(prompter_.All().empty());
}

TEST_F(ReadBackBrowserTest, MissingRecordFileIsReportedOverAnEmptyList)
{
    struct Case
    {
        TableKind mode;
        const char* message;
    };
    for (const Case& c : {Case{TableKind::InfoMachines, "无法找到回读RDevice.txt文件！"},
                          Case{TableKind::Callers, "无法找到回读文件RCall.txt文件！"},
                          Case{TableKind::Handhelds, "无法找到回读文件RSCCall.txt文件！"}}) {
        prompter_.Clear();
        ReadBackBrowser dialog(
            c.mode, HostModel::QX,
            folder_.File(WithTable(c.mode, [](const auto& t) { return t.recordFile; })), prompter_);
        EXPECT_TRUE(prompter_.All().empty()) << "nothing is said before the browser shows";
        Show(dialog);
        ASSERT_TRUE(test::WaitUntil([&] { return !prompter_.All().empty(); })) << c.message;
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{c.message});
        EXPECT_FALSE(prompter_.All()[0].question);
        EXPECT_TRUE(dialog.isVisible()) << "the browser stays open";
        EXPECT_EQ(dialog.List()->Model()->RowCount(), 0);
        EXPECT_EQ(dialog.List()->Model()->ColumnCount(),
                  static_cast<int>(
                      WithTable(c.mode, [](const auto& t) { return t.shownColumns.size(); })));

        dialog.hide();
        Show(dialog);
        QCoreApplication::processEvents();
        EXPECT_EQ(prompter_.All().size(), 1u) << "said once";
    }
}

TEST_F(ReadBackBrowserTest, AnEmptyTableIsNotAMissingFile)
{
    ReadBackBrowser dialog(TableKind::Handhelds, HostModel::PX, Write("RSCCall.txt", {}),
                           prompter_);
    Show(dialog);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(prompter_.All().empty());
    EXPECT_EQ(dialog.List()->Model()->RowCount(), 0);
}

TEST_F(ReadBackBrowserTest, WritingHandsTheShownRowsToTheOwnerAndStaysOpen)
{
    ReadBackBrowser dialog(TableKind::InfoMachines, HostModel::PX,
                           Write("RDevice.txt", InfoMachineFile()), prompter_);
    EXPECT_EQ(dialog.ConnectedModel(), HostModel::PX);
    EXPECT_EQ(dialog.Kind(), TableKind::InfoMachines);
    std::vector<std::vector<InfoMachineRow>> imports;
    dialog.SetImportHandler([&](const ReadBackRows& rows) {
        imports.push_back(std::get<std::vector<InfoMachineRow>>(rows.Typed()));
    });
    Show(dialog);

    QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
    ASSERT_EQ(imports.size(), 1u);
    ASSERT_EQ(imports[0].size(), 3u) << "the rows shown";
    EXPECT_EQ(dialog.ShownRows()[1], (std::vector<std::string>{"7", "2097151", "LW3"}));
    EXPECT_EQ(imports[0][1], (InfoMachineRow{7, "2097151", "", 4})) << "as values, not texts";
    EXPECT_TRUE(dialog.isVisible());

    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(imports.size(), 2u) << "Enter writes too";
    EXPECT_TRUE(dialog.isVisible());

    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(imports.size(), 2u);
    EXPECT_TRUE(prompter_.All().empty());
}

TEST_F(ReadBackBrowserTest, ControlsArePlacedFromTheWindowSize)
{
    for (const TableKind mode : {TableKind::InfoMachines, TableKind::Callers}) {
        ReadBackBrowser dialog(mode, HostModel::PX, Write("RCall.txt", CallerRecord()), prompter_);
        Show(dialog);
        const int w = dialog.width();
        const int h = dialog.height();
        EXPECT_EQ(dialog.List()->geometry(), QRect(10, 10, w - 30, h - 90));
        const QRect cancel = dialog.CancelButton()->geometry();
        const QRect write = dialog.ImportButton()->geometry();
        EXPECT_EQ(cancel.x() + cancel.width(), w - 50);
        EXPECT_EQ(cancel.y() + cancel.height(), h - 40);
        EXPECT_EQ(write.x() + write.width(), cancel.x() - 20);
        EXPECT_EQ(write.y() + write.height(), h - 40);
        EXPECT_EQ(dialog.findChild<QWidget*>("id1000"), dialog.List());
        EXPECT_EQ(dialog.findChild<QPushButton*>("id1"), dialog.ImportButton());
        EXPECT_EQ(dialog.findChild<QPushButton*>("id2"), dialog.CancelButton());
    }
}

TEST_F(ReadBackBrowserTest, ColumnsFitTheirTitlesAndTexts)
{
    ReadBackBrowser dialog(TableKind::Callers, HostModel::PX, Write("RCall.txt", CallerRecord()),
                           prompter_);
    const ReportTableView* list = dialog.List();
    const QFontMetrics cells(list->CellFont());
    for (int column = 0; column < list->Model()->ColumnCount(); ++column) {
        EXPECT_GE(list->columnWidth(column), list->GradientHeader()->TextWidth(column)) << column;
        EXPECT_GE(list->columnWidth(column),
                  cells.horizontalAdvance(list->Model()->Text(0, column)))
            << column;
    }
}

} // namespace
} // namespace px
