#pragma once

#include "classic/ClassicImport.h"
#include "storage/Database.h"

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace px {

// The preview of 文件 → 导入旧版数据库...: the classic library's configuration files in a
// table (name, model, rows per table, what will happen), each with a tick; the rows that keep
// a file out listed under it with where they are and why; what to do with a name that exists
// here; the tables that are not imported and the rows that belong to no file. 确定 names how
// many files it imports. The plan is the core's, made again whenever a choice changes; nothing
// is written here.
class ClassicImportDialog : public QDialog
{
    Q_OBJECT
public:
    ClassicImportDialog(Database& db, ClassicLibrary library, const QString& source,
                        QWidget* parent = nullptr);

    const ClassicLibrary& Library() const { return library_; }
    // The plan as the choices stand now.
    const ClassicPlan& Plan() const { return plan_; }

    QTreeWidget* FileList() const { return files_; }
    QRadioButton* SkipButton() const { return skip_; }
    QRadioButton* RenameButton() const { return rename_; }
    QPushButton* ImportButton() const { return import_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    void Replan();
    void ShowPlan();
    void FillFiles();

    Database& db_;
    ClassicLibrary library_;
    ClassicPlan plan_;
    QTreeWidget* files_;
    QRadioButton* skip_;
    QRadioButton* rename_;
    QLabel* outcome_;
    QPushButton* import_;
    QPushButton* cancel_;
    std::vector<QTreeWidgetItem*> items_; // one per file of the library
    bool filling_ = false;
};

} // namespace px
