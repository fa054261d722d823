// Tab goes through every dialog as it is read: down the rows, left to right within a row.

#include "MainWindowFixture.h"

#include "gui/files/ConfigFileDialog.h"
#include "gui/paperwork/SiteSheetPreview.h"
#include "gui/registry/CallerTypesDialog.h"
#include "gui/transfer/ReadBackBrowser.h"

#include <memory>

namespace px {
namespace {

// The controls Tab stops at, in the order it reaches them, starting from the first.
std::vector<QWidget*> TabChain(QWidget& dialog)
{
    std::vector<QWidget*> chain;
    QWidget* start = nullptr;
    for (QWidget* at = dialog.nextInFocusChain(); at != &dialog; at = at->nextInFocusChain()) {
        if (at == start)
            break;
        const bool stop = (at->focusPolicy() & Qt::TabFocus) && !at->isWindow() &&
                          at->focusProxy() == nullptr && at->isEnabled();
        if (!stop)
            continue;
        // A control inside another (a combo box's editor, a list's viewport) is its owner's.
        bool inner = false;
        for (QWidget* p = at->parentWidget(); p != nullptr && p != &dialog; p = p->parentWidget())
            inner = inner || (p->focusPolicy() & Qt::TabFocus);
        if (inner)
            continue;
        if (start == nullptr)
            start = at;
        chain.push_back(at);
    }
    return chain;
}

// Where the order goes back up the dialog or to the left within a row; empty when none.
std::string OutOfReadingOrder(QWidget& dialog)
{
    dialog.show();
    std::string faults;
    const std::vector<QWidget*> chain = TabChain(dialog);
    for (std::size_t i = 1; i < chain.size(); ++i) {
        const QRect a(chain[i - 1]->mapTo(&dialog, QPoint()), chain[i - 1]->size());
        const QRect b(chain[i]->mapTo(&dialog, QPoint()), chain[i]->size());
        const int halfLine = std::max(std::min(a.height(), b.height()) / 2, 4);
        const bool sameRow = std::abs(a.center().y() - b.center().y()) <= halfLine;
        const bool inOrder = sameRow ? b.center().x() > a.center().x()
                                     : b.center().y() > a.center().y();
        if (!inOrder)
            faults += chain[i - 1]->objectName().toStdString() + " -> " +
                      chain[i]->objectName().toStdString() + "; ";
    }
    dialog.hide();
    return faults;
}

class DialogTabOrderTest : public test::MainWindowFixture
{
};

TEST_F(DialogTabOrderTest, EveryDialogIsTabbedInReadingOrder)
{
    AddFile("店", 0);
    std::vector<std::unique_ptr<QWidget>> dialogs;
    for (const FileDialogMode mode : {FileDialogMode::New, FileDialogMode::Open, FileDialogMode::Delete,
                                      FileDialogMode::SaveAs, FileDialogMode::Import})
        dialogs.push_back(std::make_unique<ConfigFileDialog>(db_, prompter_, mode));
    dialogs.push_back(std::make_unique<CallerTypesDialog>(db_, prompter_));
    for (const BrowserMode mode : {BrowserMode::InfoMachines, BrowserMode::Callers})
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
