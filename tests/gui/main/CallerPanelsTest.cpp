#include "MainWindowFixture.h"
#include "gui/registry/CallerTypesDialog.h"
#include "gui/widgets/CallerGridView.h"
#include "gui/widgets/ReportTableView.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace px {
namespace {

class CallerPanelsTest : public test::MainWindowFixture
{
protected:
    MainWindow& Opened()
    {
        AddFile("f", 0);
        MainWindow& w = Window();
        w.MakeFileCurrent("f", FileType::PX);
        return w;
    }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
    void Press(const char* name) { Find<QPushButton>(name)->click(); }
    CallerGridModel* Grid() { return Window().CallerGrid()->GridModel(); }

    std::string Stored(const std::string& code, const char* field)
    {
        QueryResult rs(db_);
        EXPECT_TRUE(
            rs.Open(db_, "select * from T_Device3 where CodeNo=? and FileName='f'", {code}));
        std::string value;
        rs.GetFieldValue(field, value);
        return value;
    }

    // Edits a cell the way the grid does: the delegate's editor, then its value committed.
    void EditCell(int row, int column, const QString& text)
    {
        CallerGridView* grid = Window().CallerGrid();
        const QModelIndex index = grid->GridModel()->index(row, column);
        QAbstractItemDelegate* delegate = grid->itemDelegateForIndex(index);
        QWidget* editor = delegate->createEditor(grid->viewport(), QStyleOptionViewItem(), index);
        delegate->setEditorData(editor, index);
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            options_.clear();
            for (int i = 0; i < combo->count(); ++i)
                options_ << combo->itemText(i);
            combo->setCurrentIndex(combo->findText(text));
        } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setText(text);
        }
        delegate->setModelData(editor, grid->model(), index);
        delete editor;
    }

    QStringList options_;
};

TEST_F(CallerPanelsTest, GridEditsReachTheDatabase)
{
    MainWindow& w = Opened();
    ASSERT_EQ(Grid()->Text(0, 0), "A1B2C1");

    EditCell(0, 12, "删除追呼");
    EXPECT_EQ(Stored("A1B2C1", "ZhuiHu"), "2");
    EditCell(0, 4, "");
    EXPECT_EQ(Stored("A1B2C1", "DeviceNo1"), "-1");

    // A machine registered after the grid was loaded is offered when the next edit begins.
    Edit("pagerNumberEdit")->setText("8");
    Edit("addressEdit")->setText("88");
    Press("saveInfoMachineButton");
    EditCell(0, 5, "8");
    EXPECT_TRUE(options_.contains("8"));
    EXPECT_EQ(Stored("A1B2C1", "DeviceNo2"), "8");

    EditCell(0, 0, "A1B2C");
    EXPECT_EQ(Grid()->Text(0, 0), "A1B2C1") << "a code of a wrong length is put back";
    EditCell(0, 0, "0123456789AB");
    EXPECT_EQ(Stored("0123456789AB", "CodeType"), "1");
    EXPECT_TRUE(w.isEnabled());
}

TEST_F(CallerPanelsTest, TheContextMenuDeletesAfterAsking)
{
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device3 (CodeNo,FileName) values ('A1B2C2','f'),('A1B2C3','f')"));
    MainWindow& w = Opened();
    ASSERT_EQ(Grid()->DataRowCount(), 3);
    EditCell(1, 2, "x"); // any edit remembers its row's code, like a right click
    prompter_.Answer(false);
    w.Action(Command::DeleteCallerKey)->trigger();
    EXPECT_EQ(Grid()->DataRowCount(), 3);
    prompter_.Answer(true);
    w.Action(Command::DeleteCallerKey)->trigger();
    EXPECT_EQ(Grid()->DataRowCount(), 2);
    EXPECT_EQ(prompter_.All().back().text, "确定要删除A1B2C2特征码吗？");

    EditCell(0, 2, "y");
    prompter_.Answer(true);
    w.Action(Command::DeleteCallerKeys)->trigger();
    EXPECT_EQ(Grid()->DataRowCount(), 0);
    EXPECT_EQ(Grid()->rowCount(), 1) << "the blank row stays";
}

TEST_F(CallerPanelsTest, RegisteringPutsTheNewestKeyOnTop)
{
    Opened();
    PlugHost();
    host_.State().presses.push_back({0x55, 0x12, 0x34, 0x51});
    Press("registerCallersButton");
    EXPECT_TRUE(prompter_.All().empty())
        << (prompter_.All().empty() ? "" : prompter_.All()[0].text);
    EXPECT_EQ(Grid()->Text(0, 0), "123451");
    EXPECT_EQ(Grid()->Text(0, 4), "5") << "the first information machine";
    EXPECT_EQ(Grid()->Text(0, 12), "不追呼");
    EXPECT_EQ(Grid()->Text(1, 0), "A1B2C1");

    auto* manual = Find<QCheckBox>("manualModeCheck");
    manual->click();
    EXPECT_EQ(Find<QPushButton>("registerCallersButton")->text(), "手动登记呼叫器");
    EXPECT_TRUE(Find("manualCodeEdit")->isEnabled());
    Edit("manualCodeEdit")->setText("1234F");
    Edit("runToEdit")->setText("3");
    Find<QCheckBox>("plusOneCheck")->setChecked(true);
    Press("registerCallersButton");
    EXPECT_EQ(Grid()->Text(0, 0), "123511");
    EXPECT_EQ(Grid()->Text(2, 0), "1234F1");
    EXPECT_EQ(Edit("manualCodeEdit")->text(), "12352");
    manual->click();
    EXPECT_FALSE(Find("manualCodeEdit")->isEnabled());
    EXPECT_FALSE(Find<QCheckBox>("plusOneCheck")->isChecked());
}

TEST_F(CallerPanelsTest, CodeEditsKeepHexadecimalDigitsOnly)
{
    Opened();
    QLineEdit* code = Edit("handheldCodeEdit");
    QTest::keyClicks(code, "1g2h");
    EXPECT_EQ(code->text(), "12");
    code->clear();
    code->insert("z9Bx"); // a paste of several characters
    EXPECT_EQ(code->text(), "9B");
    QLineEdit* callerPart = Edit("manualCodeEdit");
    callerPart->setEnabled(true);
    callerPart->insert("12-3F!");
    EXPECT_EQ(callerPart->text(), "123F");
}

TEST_F(CallerPanelsTest, HandheldPanelAddsSelectsAndDeletes)
{
    MainWindow& w = Opened();
    PlugHost();
    host_.State().presses.push_back({0x66, 0x3C, 0x4D});
    Edit("handheldNumberEdit")->setText("7");
    Edit("handheldRemarkEdit")->setText("领班");
    Press("saveHandheldButton");
    ReportTableView* list = w.HandheldList();
    ASSERT_EQ(list->Model()->RowCount(), 2);
    EXPECT_EQ(list->Model()->Text(1, 1), "3C4D");
    EXPECT_EQ(Edit("handheldNumberEdit")->text(), "8");

    Find<QCheckBox>("madeUpCodeCheck")->click();
    EXPECT_EQ(Edit("handheldCodeEdit")->text().size(), 4) << "a made-up code is ready";

    list->selectRow(1);
    EXPECT_EQ(Edit("handheldNumberEdit")->text(), "7");
    EXPECT_EQ(Edit("handheldCodeEdit")->text(), "3C4D");
    Press("deleteHandheldButton");
    EXPECT_EQ(list->Model()->RowCount(), 1);
    EXPECT_EQ(Edit("handheldNumberEdit")->text(), "0");
}

TEST_F(CallerPanelsTest, TheTypeDialogsKeysAreKeyboardOperableInReadingOrder)
{
    CallerTypesDialog dialog(db_, prompter_);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    // Tab goes from the name through the five keys to the key count, as they are read.
    QWidget* at = dialog.NameEdit();
    for (int key = 1; key <= 5; ++key) {
        at = at->nextInFocusChain();
        while (!(at->focusPolicy() & Qt::TabFocus))
            at = at->nextInFocusChain();
        EXPECT_EQ(at, dialog.KeyToggle(key)) << "key " << key;
    }
    QPushButton* three = dialog.KeyToggle(3);
    three->setFocus();
    QTest::keyClick(three, Qt::Key_Space);
    EXPECT_TRUE(three->isChecked()) << "Space toggles the focused key";
    // Checked and unchecked keys look different beyond a shade: compare their middles.
    QApplication::processEvents();
    const QImage on = three->grab().toImage();
    const QImage off = dialog.KeyToggle(4)->grab().toImage();
    const QColor a = on.pixelColor(on.width() / 5, on.height() / 2);
    const QColor b = off.pixelColor(off.width() / 5, off.height() / 2);
    EXPECT_GT(std::abs(a.lightness() - b.lightness()), 60) << "checked and unchecked look alike";
}

TEST_F(CallerPanelsTest, TheTypeDialogStoresTogglesAndTheWindowReloadsItsTypes)
{
    MainWindow& w = Opened();
    const std::int64_t before = clock_.NowMs();
    w.SetTypeDialogRunner([](CallerTypesDialog& dialog) {
        dialog.NameEdit()->setText("二五");
        dialog.KeyCountBox()->setCurrentIndex(4);
        dialog.KeyToggle(2)->setChecked(true);
        dialog.KeyToggle(5)->setChecked(true);
        dialog.AddButton()->click();
        EXPECT_EQ(dialog.KeyCountBox()->currentText(), "2") << "the count follows the toggles";
        dialog.ExitButton()->click();
        return dialog.result();
    });
    w.Action(Command::CallerTypes)->trigger();
    EXPECT_EQ(clock_.NowMs(), before) << "the dialog closes at once";
    const auto& types = w.CallerTypes();
    ASSERT_FALSE(types.empty());
    EXPECT_EQ(types.front().name, "单键0");
    const auto it =
        std::find_if(types.begin(), types.end(), [](auto& t) { return t.name == "二五"; });
    ASSERT_NE(it, types.end());
    EXPECT_EQ(it->keyCount, 2);
    EXPECT_EQ(it->keySelection, 18u);
    for (std::size_t i = 1; i < types.size(); ++i)
        EXPECT_LE(types[i - 1].keyCount, types[i].keyCount) << "the window sorts by key count";
}

TEST_F(CallerPanelsTest, DownloadMenusSendCallersAndHandhelds)
{
    MainWindow& w = Opened();
    PlugHost();
    w.Action(Command::DownloadCallers)->trigger();
    w.Action(Command::DownloadHandhelds)->trigger();
    EXPECT_EQ(host_.State().tables.at(0x66).size(), 100u);
    EXPECT_EQ(host_.State().tables.at(0x68).size(), 6u);
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"下载呼叫器信息成功！", "手持呼叫器匹配表设置成功！"}));
}

} // namespace
} // namespace px
