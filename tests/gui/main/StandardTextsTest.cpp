// Every window speaks Chinese, Qt's own parts too: no button, menu entry or message box may show
// one of Qt's English standard texts ("OK", "Cancel", "&Copy", ...).

#include "MainWindowFixture.h"
#include "app/QtPorts.h"
#include "gui/DialogChecks.h"
#include "gui/files/ConfigFileDialog.h"
#include "gui/hostlink/TransferProgressDialog.h"
#include "gui/paperwork/SiteSheetPreview.h"
#include "gui/registry/CallerTypesDialog.h"
#include "gui/transfer/ReadBackBrowser.h"
#include "mock/WaitUntil.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <memory>

namespace px {
namespace {

using test::EnglishTexts;
using test::IsEnglishStandardText;
using test::MainWindowFixture;

class StandardTextsTest : public MainWindowFixture
{};

TEST_F(StandardTextsTest, TheWindowAndItsDialogsShowNoEnglishStandardText)
{
    AddFile("f", 0);
    MainWindow& w = Window();
    w.MakeFileCurrent("f", FileType::PX);
    EXPECT_EQ(EnglishTexts(w), std::string());

    std::vector<std::unique_ptr<QWidget>> dialogs;
    for (const FileDialogMode mode :
         {FileDialogMode::New, FileDialogMode::Open, FileDialogMode::Delete, FileDialogMode::SaveAs,
          FileDialogMode::Import})
        dialogs.push_back(std::make_unique<ConfigFileDialog>(db_, prompter_, mode));
    dialogs.push_back(std::make_unique<CallerTypesDialog>(db_, prompter_));
    dialogs.push_back(std::make_unique<ReadBackBrowser>(TableKind::Callers, HostModel::PX,
                                                        folder_.File("RCall.txt"), prompter_));
    dialogs.push_back(std::make_unique<TransferProgressDialog>(nullptr));
    SiteSheet sheet;
    sheet.fileName = "f";
    sheet.model = "PX";
    dialogs.push_back(std::make_unique<SiteSheetPreview>(sheet, [] { return QString(); }));
    for (const auto& dialog : dialogs)
        EXPECT_EQ(EnglishTexts(*dialog), std::string()) << dialog->metaObject()->className();
}

TEST_F(StandardTextsTest, QtsOwnDialogsAndMenusAreInChinese)
{
    QFileDialog files(nullptr, QString(), QString(), "*.csv");
    files.setOption(QFileDialog::DontUseNativeDialog);
    for (const auto mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
        files.setAcceptMode(mode);
        EXPECT_EQ(EnglishTexts(files), std::string()) << mode;
    }

    QLineEdit edit;
    edit.setText("text");
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    EXPECT_FALSE(menu->actions().isEmpty());
    EXPECT_EQ(EnglishTexts(*menu), std::string());
    for (const QAction* action : menu->actions())
        EXPECT_FALSE(IsEnglishStandardText(action->text())) << action->text().toStdString();
}

// The message boxes of every operation: what their buttons read, and that OK and Cancel still
// answer as they should.
TEST_F(StandardTextsTest, MessageBoxesSayOkAndCancelInChinese)
{
    QtPrompter prompter;
    const auto answer = [](const QString& press, QStringList& seen) {
        QTimer::singleShot(0, [press, &seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (const QAbstractButton* button : box->buttons())
                seen << button->text();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == press)
                    button->click();
        });
    };
    QStringList seen;
    answer("确定", seen);
    prompter.Message("已保存", "", MessageIcon::Information);
    EXPECT_EQ(seen, QStringList{"确定"});

    seen.clear();
    answer("取消", seen);
    EXPECT_FALSE(prompter.AskOkCancel("删除吗？", ""));
    seen.sort();
    QStringList both{"确定", "取消"};
    both.sort();
    EXPECT_EQ(seen, both);

    seen.clear();
    answer("确定", seen);
    EXPECT_TRUE(prompter.AskOkCancel("删除吗？", ""));
}

} // namespace
} // namespace px
