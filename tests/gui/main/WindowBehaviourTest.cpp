// How the main window behaves as an installer works in it: it grows, remembers its size, and
// Enter and Shift+M do what the fields expect.

#include "MainWindowFixture.h"
#include "gui/widgets/CallerGridView.h"
#include "gui/widgets/ReportTableView.h"
#include "mock/WaitUntil.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

namespace px {
namespace {

using test::MainWindowFixture;

class WindowBehaviourTest : public MainWindowFixture
{
protected:
    MainWindow& Opened()
    {
        AddFile("f", 0);
        MainWindow& w = Window();
        w.MakeFileCurrent("f", FileType::PX);
        w.show();
        return w;
    }

    std::string StoredName(const std::string& code)
    {
        QueryResult rs(db_);
        EXPECT_TRUE(
            rs.Open(db_, "select CallName from T_Device3 where CodeNo=? and FileName='f'", {code}));
        return FieldText(rs, "CallName");
    }
};

TEST_F(WindowBehaviourTest, AGrownWindowGivesItsRoomToTheGridAndTheLists)
{
    MainWindow& w = Opened();
    const QSize start = w.size();
    auto* grid = Find<CallerGridView>("callerGrid");
    auto* list = Find<ReportTableView>("infoMachineList");
    auto* save = Find<QPushButton>("saveInfoMachineButton");
    auto* version = Find<QLabel>("versionLabel");
    const QRect gridBefore = grid->geometry();
    const QRect listBefore = list->geometry();
    const QRect saveBefore = save->geometry();
    const QRect versionBefore = version->geometry();
    EXPECT_EQ(version->text(), QString(" 版本号: V") + kProgramVersion);

    w.resize(start + QSize(300, 200));
    ASSERT_TRUE(test::WaitUntil([&] { return grid->width() == gridBefore.width() + 300; }));
    EXPECT_EQ(grid->height(), gridBefore.height() + 200);
    EXPECT_EQ(list->height(), listBefore.height() + 200) << "the lists take the height";
    EXPECT_EQ(list->width(), listBefore.width()) << "the width goes to the grid";
    EXPECT_EQ(save->geometry().topLeft(), saveBefore.topLeft() + QPoint(0, 200))
        << "the fields below the list move down with it";
    EXPECT_EQ(version->geometry().topLeft(), versionBefore.topLeft() + QPoint(300, 200));

    // Never lower than the default layout, nor narrower than the narrow one.
    w.resize(100, 100);
    EXPECT_LT(w.width(), start.width());
    EXPECT_GE(w.width(), w.minimumSizeHint().width());
    EXPECT_GE(w.height(), start.height());
}

// What is wrong with the controls as they are placed now: one outside the window, one over
// another, one whose text is cut. Empty when all is well.
std::vector<std::string> LayoutFaults(const QWidget& canvas)
{
    std::vector<std::string> faults;
    std::vector<const QWidget*> controls;
    for (const QObject* child : canvas.children()) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        if (widget == nullptr || !widget->isVisibleTo(&canvas))
            continue;
        const std::string name = widget->objectName().toStdString();
        // A hidden data monitor is the part of the window cut off below.
        if (!canvas.rect().intersects(widget->geometry()))
            continue;
        if (!canvas.rect().contains(widget->geometry()))
            faults.push_back(name + " reaches outside the window");
        // Frames hold controls; the rest must not lie on each other.
        if (qobject_cast<const QGroupBox*>(widget) != nullptr)
            continue;
        const auto* button = qobject_cast<const QPushButton*>(widget);
        const int textWidth =
            button != nullptr
                ? widget->fontMetrics().horizontalAdvance(QString(button->text()).remove('&')) + 4
            : qobject_cast<const QLabel*>(widget) != nullptr ||
                    qobject_cast<const QCheckBox*>(widget) != nullptr
                ? widget->sizeHint().width()
                : 0;
        if (widget->width() < textWidth)
            faults.push_back(name + " cuts its text");
        for (const QWidget* other : controls) {
            if (widget->geometry().intersects(other->geometry()))
                faults.push_back(name + " lies over " + other->objectName().toStdString());
        }
        controls.push_back(widget);
    }
    return faults;
}

// Many installers' laptops have 1024 by 768 screens: the window fits there, the caller strip in
// two bands, every control whole and apart, with the data monitor shown or hidden. On a larger
// screen it opens at the template's size, the strip in one band.
TEST_F(WindowBehaviourTest, TheWindowFitsA1024By768ScreenWithEveryControlWhole)
{
    screenRoom_ = QSize(1024, 768 - 40); // less the task bar
    MainWindow& w = Opened();
    const auto* canvas = Find<QWidget>("canvas");
    ASSERT_TRUE(test::WaitUntil([&] { return canvas->width() == w.width(); }));
    for (const bool monitor : {false, true}) {
        if (monitor) {
            QTest::keyClick(&w, Qt::Key_Shift, Qt::ShiftModifier);
            QTest::keyClick(&w, Qt::Key_M, Qt::ShiftModifier);
            ASSERT_TRUE(Find<QTextEdit>("dataMonitor")->isVisible());
        }
        EXPECT_LE(w.frameGeometry().width(), 1024);
        EXPECT_LE(w.frameGeometry().height(), 728) << "monitor shown: " << monitor;
        EXPECT_EQ(LayoutFaults(*canvas), std::vector<std::string>())
            << "monitor shown: " << monitor;
    }
    auto* number = Find<QLineEdit>("callerNumberEdit");
    auto* code = Find<QLineEdit>("manualCodeEdit");
    EXPECT_GT(number->y(), code->y() + code->height()) << "in the strip's second band";

    w.resize(w.width() + 400, w.height());
    ASSERT_TRUE(test::WaitUntil([&] { return canvas->width() == w.width(); }));
    EXPECT_EQ(LayoutFaults(*canvas), std::vector<std::string>());
    EXPECT_LT(number->y(), code->y() + code->height())
        << "back in one band, as the template has it";
}

TEST_F(WindowBehaviourTest, OnALargeScreenTheTemplatesLayoutHasNoFaultEither)
{
    MainWindow& w = Opened();
    const auto* canvas = Find<QWidget>("canvas");
    ASSERT_TRUE(test::WaitUntil([&] { return canvas->width() == w.width(); }));
    EXPECT_EQ(LayoutFaults(*canvas), std::vector<std::string>());
    EXPECT_GT(w.width(), 1200) << "the template's width at 96 dpi";
}

TEST_F(WindowBehaviourTest, TheSizeAndPlaceAreRememberedInTheProfile)
{
    MainWindow& w = Opened();
    const QSize grown = w.size() + QSize(120, 80);
    w.resize(grown);
    w.Action(Command::Exit)->trigger();
    EXPECT_EQ(profile_.GetInt(MainWindow::kWindowSection, "WIDTH", 0), grown.width());
    EXPECT_EQ(profile_.GetInt(MainWindow::kWindowSection, "HEIGHT", 0), grown.height());

    Workspace workspace(folder_.Folder(), backend_, true);
    MainWindow again(AppServices{workspace, prompter_, clock_, pump_, profile_, screenRoom_});
    EXPECT_EQ(again.size(), grown);
}

TEST_F(WindowBehaviourTest, EnterStoresAGridCellEditAndNeverPressesAButton)
{
    ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,CodeType,FileName) "
                            "values ('B2C3D1',1,'旧','0','f')"));
    MainWindow& w = Opened();
    auto* monitor = Find<QTextEdit>("dataMonitor");
    monitor->setPlainText("kept");
    CallerGridView* grid = w.CallerGrid();
    const QModelIndex name = grid->GridModel()->index(0, 2);
    QApplication::setActiveWindow(&w);
    grid->setCurrentIndex(name);
    grid->edit(name);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(name));
    ASSERT_NE(editor, nullptr) << "the cell is being edited";
    editor->setFocus();
    editor->setText("八号桌");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(test::WaitUntil([&] { return StoredName("B2C3D1") == "八号桌"; }));
    EXPECT_EQ(monitor->toPlainText(), "kept") << "Enter must not press the default button 清除";
}

TEST_F(WindowBehaviourTest, EnterInAStripFieldGoesToTheNextField)
{
    Opened();
    auto* monitor = Find<QTextEdit>("dataMonitor");
    monitor->setPlainText("kept");
    auto* pager = Find<QLineEdit>("pagerNumberEdit");
    pager->setFocus();
    ASSERT_TRUE(test::WaitUntil([&] { return pager->hasFocus(); }));
    QTest::keyClick(pager, Qt::Key_Enter);
    EXPECT_FALSE(pager->hasFocus());
    EXPECT_EQ(monitor->toPlainText(), "kept");
}

TEST_F(WindowBehaviourTest, ShiftMShowsTheMonitorWithoutTypingIntoTheGrid)
{
    ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,CodeType,FileName) "
                            "values ('B2C3D1',1,'旧','0','f')"));
    MainWindow& w = Opened();
    CallerGridView* grid = w.CallerGrid();
    grid->setFocus();
    grid->setCurrentIndex(grid->GridModel()->index(0, 2));
    QTest::keyPress(grid, Qt::Key_Shift);
    QKeyEvent m(QEvent::KeyPress, Qt::Key_M, Qt::ShiftModifier, "M");
    QApplication::sendEvent(grid, &m);
    EXPECT_TRUE(w.IsMonitorShown());
    EXPECT_EQ(grid->indexWidget(grid->currentIndex()), nullptr) << "no editor opened with an M";
    EXPECT_EQ(grid->GridModel()->Text(0, 2), "旧");
}

} // namespace
} // namespace px
