// 文件 → 导入旧版数据库...: the classic library read by the reader process, the preview a
// person reads at a glance (a table of the files with a tick each, what will happen, the rows
// that keep a file out), driven as a person does, with real clicks and the keyboard.

#include "MainWindowFixture.h"
#include "classic/ClassicTables.h"
#include "common/FileIo.h"
#include "gui/DialogChecks.h"
#include "gui/files/ClassicImportDialog.h"
#include "gui/files/ConfigFileDialog.h"
#include "mock/Programs.h"
#include "storage/ConfigFiles.h"
#include "storage/RegistrationTables.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

namespace px {
namespace {

// 甲店 (PX, empty), 乙店 (QX, one information machine) and 丙店 (PX, a caller whose feature
// code our rules refuse).
std::string WriteLibrary(const std::string& path)
{
    test::JetDatabase db;
    db.tables.push_back(test::ClassicFileTable({{"甲店", 0}, {"乙店", 1}, {"丙店", 0}}));
    test::JetTable machines = test::ClassicMachineTable();
    machines.rows.push_back({std::int64_t{3}, std::string("123"), std::string("前台"),
                             std::string("乙店"), std::int64_t{1}});
    db.tables.push_back(std::move(machines));
    db.tables.push_back(test::ClassicHandheldTable());
    test::JetTable callers = test::ClassicCallerTable();
    test::AddClassicCaller(callers, "A1B2C1", 1, "一号桌", "结账", "丙店");
    test::AddClassicCaller(callers, "ZZZZZ1", 2, "二号桌", "结账", "丙店");
    db.tables.push_back(std::move(callers));
    std::string error;
    EXPECT_TRUE(test::WriteJetDatabase(db, PathFromUtf8(path), &error)) << error;
    return path;
}

// A click where the control is on its window, as a person's mouse makes it: the window finds
// the control under the pointer.
void ClickAt(QWidget& window, QWidget* control, QPoint at = {})
{
    ASSERT_NE(control, nullptr);
    if (at.isNull())
        at = control->rect().center();
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, control->mapTo(&window, at));
}

// A row of the file list: a click on its name, where it shows.
void ClickRow(QWidget& window, QTreeWidget* list, QTreeWidgetItem* item)
{
    const QRect place = list->visualItemRect(item);
    ClickAt(window, list->viewport(), QPoint(place.left() + 80, place.center().y()));
}

// The words of a text that are not Chinese, once what the library itself names is left out.
QStringList EnglishWords(QString text)
{
    for (const char* data :
         {"甲店", "乙店", "丙店", "A1B2C1", "ZZZZZ1", "PX", "QX", "Jet", "Access", "DADE", "mdb"})
        text.remove(QString::fromUtf8(data));
    QStringList words;
    static const QRegularExpression word("[A-Za-z]{2,}");
    for (auto it = word.globalMatch(text); it.hasNext();)
        words << it.next().captured();
    return words;
}

// Every text the dialog shows: its labels, buttons, the list's titles and cells.
QStringList ShownTexts(const ClassicImportDialog& dialog)
{
    QStringList texts{dialog.windowTitle()};
    for (const auto* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const auto* button : dialog.findChildren<QAbstractButton*>())
        texts << button->text();
    const QTreeWidget* list = dialog.FileList();
    for (int c = 0; c < list->columnCount(); ++c)
        texts << list->headerItem()->text(c);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        for (int c = 0; c < list->columnCount(); ++c)
            texts << item->text(c);
        for (int k = 0; k < item->childCount(); ++k)
            texts << item->child(k)->text(0);
    }
    return texts;
}

class ClassicImportWindowTest : public test::MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        classicReader_ = test::BuiltProgram(PX_PROGRAM_CLASSIC_READER);
    }

    // Runs the menu command on a library; steps drive the preview as a person would and say
    // how it ended.
    void Import(const std::string& path, const std::function<void(ClassicImportDialog&)>& steps)
    {
        MainWindow& w = Window();
        w.SetFileChooser([path](const QString& filter, bool save) {
            EXPECT_EQ(filter, "*.mdb");
            EXPECT_FALSE(save);
            return QString::fromStdString(path);
        });
        w.Hooks().runClassicImportDialog = [this, steps](ClassicImportDialog& dialog) {
            ++previews_;
            dialog.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            steps(dialog);
            return dialog.result();
        };
        w.Action(Command::ImportClassicDatabase)->trigger();
    }

    int previews_ = 0;
};

TEST_F(ClassicImportWindowTest, ThePreviewIsATableOfTheFilesAndOkImportsThoseTicked)
{
    ASSERT_TRUE(InsertConfigFile(db_, "甲店", FileType::PX));
    const std::string library = WriteLibrary(folder_.File("旧版.mdb"));

    Import(library, [&library](ClassicImportDialog& dialog) {
        QTreeWidget* list = dialog.FileList();
        ASSERT_EQ(list->topLevelItemCount(), 3);
        const auto row = [&](int i) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c)
                cells << list->topLevelItem(i)->text(c);
            return cells.join(" | ").toStdString();
        };
        EXPECT_EQ(list->headerItem()->text(2), "信息机");
        EXPECT_EQ(row(0), "甲店 | PX | 0 | 0 | 0 | 跳过：本机已有同名文件");
        EXPECT_EQ(row(1), "乙店 | QX | 1 | 0 | 0 | 导入");
        EXPECT_EQ(row(2), "丙店 | PX | 0 | 0 | 2 | 不能导入：1 行有问题");
        // The row that keeps 丙店 out, under it, with where it is and why.
        ASSERT_EQ(list->topLevelItem(2)->childCount(), 1);
        const QTreeWidgetItem* refused = list->topLevelItem(2)->child(0);
        EXPECT_EQ(refused->text(0), "呼叫器表 第2行（特征码 ZZZZZ1）：特征码“ZZZZZ1”不符合规则");
        EXPECT_NE(refused->toolTip(0).toStdString().find("6 or 12 hexadecimal digits"),
                  std::string::npos);
        EXPECT_TRUE(list->topLevelItem(2)->isExpanded());
        EXPECT_EQ(dialog.ImportButton()->text(), "导入 1 个文件");
        for (QString text : ShownTexts(dialog)) {
            text.remove(QString::fromStdString(library));
            EXPECT_EQ(EnglishWords(text), QStringList()) << text.toStdString();
        }
        EXPECT_EQ(test::EnglishTexts(dialog), std::string());
        // It fits a screen of 1024 by 768 with room for the window's frame.
        EXPECT_LE(dialog.frameGeometry().width(), 1024);
        EXPECT_LE(dialog.frameGeometry().height(), 740);

        // A name that exists here comes in renamed once the user says so.
        ClickAt(dialog, dialog.RenameButton());
        EXPECT_TRUE(dialog.RenameButton()->isChecked());
        EXPECT_EQ(list->topLevelItem(0)->text(5), "改名为“甲店 (2)”导入");
        EXPECT_EQ(dialog.ImportButton()->text(), "导入 2 个文件");

        // 乙店 left out: chosen with a click, its tick taken off with the space bar.
        ClickRow(dialog, list, list->topLevelItem(1));
        EXPECT_EQ(list->currentItem(), list->topLevelItem(1));
        QTest::keyClick(list, Qt::Key_Space);
        EXPECT_EQ(list->topLevelItem(1)->checkState(0), Qt::Unchecked);
        EXPECT_EQ(list->topLevelItem(1)->text(5), "不导入（未勾选）");
        EXPECT_EQ(dialog.ImportButton()->text(), "导入 1 个文件");

        // 丙店 cannot be ticked.
        ClickRow(dialog, list, list->topLevelItem(2));
        QTest::keyClick(list, Qt::Key_Space);
        EXPECT_EQ(list->topLevelItem(2)->checkState(0), Qt::Unchecked);
        EXPECT_EQ(dialog.ImportButton()->text(), "导入 1 个文件");

        ClickAt(dialog, dialog.ImportButton());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    ASSERT_EQ(previews_, 1);
    EXPECT_TRUE(prompter_.Texts().empty());
    const auto imported = FindConfigFile(db_, "甲店 (2)");
    ASSERT_TRUE(imported.has_value());
    EXPECT_EQ(imported->deviceType, FileType::PX);
    EXPECT_FALSE(FindConfigFile(db_, "乙店"));
    EXPECT_FALSE(FindConfigFile(db_, "丙店"));
    EXPECT_EQ(Window().Notice().toStdString(), "已从旧版数据库导入 1 个配置文件：甲店 (2)");

    // The files here, as 文件 → 打开 lists them, show what came in.
    QStringList listed;
    Window().SetFileDialogRunner([&listed](ConfigFileDialog& dialog) {
        for (int i = 0; i < dialog.List()->count(); ++i)
            listed << dialog.List()->item(i)->text();
        return static_cast<int>(QDialog::Rejected);
    });
    Window().Action(Command::OpenFile)->trigger();
    EXPECT_TRUE(listed.contains("甲店 (2)")) << listed.join(",").toStdString();
}

TEST_F(ClassicImportWindowTest, CancelWritesNothing)
{
    const std::string library = WriteLibrary(folder_.File("旧版.mdb"));
    const std::string before = test::ReadBytes(scratch_.Path());
    Import(library, [](ClassicImportDialog& dialog) {
        EXPECT_EQ(dialog.ImportButton()->text(), "导入 2 个文件");
        ClickAt(dialog, dialog.CancelButton());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    });
    EXPECT_EQ(previews_, 1);
    EXPECT_EQ(test::ReadBytes(scratch_.Path()), before);
    EXPECT_TRUE(Window().Notice().isEmpty());
}

TEST_F(ClassicImportWindowTest, NothingToImportLeavesOkDisabled)
{
    const std::string library = WriteLibrary(folder_.File("旧版.mdb"));
    Import(library, [](ClassicImportDialog& dialog) {
        QTreeWidget* list = dialog.FileList();
        for (int i : {0, 1}) {
            ClickRow(dialog, list, list->topLevelItem(i));
            QTest::keyClick(list, Qt::Key_Space);
        }
        EXPECT_EQ(dialog.ImportButton()->text(), "导入 0 个文件");
        EXPECT_FALSE(dialog.ImportButton()->isEnabled());
        ClickAt(dialog, dialog.ImportButton());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_TRUE(ListConfigFiles(db_).empty());
}

TEST_F(ClassicImportWindowTest, AFileThatIsNoJetDatabaseIsSaidAndNothingWritten)
{
    const std::string path = folder_.File("not.mdb");
    std::string error;
    ASSERT_TRUE(WriteFileWhole(path, std::string(8192, 'x'), error)) << error;
    const std::string before = test::ReadBytes(scratch_.Path());
    Import(path, [](ClassicImportDialog&) {});
    EXPECT_EQ(previews_, 0);
    ASSERT_EQ(prompter_.Texts().size(), 1u);
    EXPECT_NE(prompter_.Texts()[0].find("无法导入旧版数据库"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(scratch_.Path()), before);
}

} // namespace
} // namespace px
