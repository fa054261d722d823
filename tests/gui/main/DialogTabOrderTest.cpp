// Tab goes through every dialog as it is read: down the rows, left to right within a row.

#include "MainWindowFixture.h"
#include "gui/DialogChecks.h"
#include "gui/files/ConfigFileDialog.h"
#include "gui/paperwork/SiteSheetPreview.h"
#include "gui/registry/CallerTypesDialog.h"
#include "gui/transfer/ReadBackBrowser.h"

#include <memory>

namespace px {
namespace {

using test::OutOfReadingOrder;
using test::TabChain;

class DialogTabOrderTest : public test::MainWindowFixture
{};

TEST_F(DialogTabOrderTest, EveryDialogIsTabbedInReadingOrder)
{
    AddFile("店", 0);
    std::vector<std::unique_ptr<QWidget>> dialogs;
    for (const FileDialogMode mode :
         {FileDialogMode::New, FileDialogMode::Open, FileDialogMode::Delete, FileDialogMode::SaveAs,
          FileDialogMode::Import})
        dialogs.push_back(std::make_unique<ConfigFileDialog>(db_, prompter_, mode));
    dialogs.push_back(std::make_unique<CallerTypesDialog>(db_, prompter_));
    for (const TableKind mode : {TableKind::InfoMachines, TableKind::Callers})
        dialogs.push_back(std::make_unique<ReadBackBrowser>(mode, HostModel::PX,
                                                            folder_.File("none.txt"), prompter_));
    dialogs.push_back(std::make_unique<SiteSheetPreview>(SiteSheet{}, [] { return QString(); }));
    for (const auto& dialog : dialogs) {
        EXPECT_GE(TabChain(*dialog).size(), 2u) << dialog->metaObject()->className();
        EXPECT_EQ(OutOfReadingOrder(*dialog), "") << dialog->metaObject()->className();
    }
}

} // namespace
} // namespace px
