#pragma once

#include "common/Models.h"
#include "common/Prompter.h"
#include "transfer/RecordDecoding.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QPushButton;

namespace px {

class ReportTableView;

// The read-back browser: the table a read-back left in a record file, one row per record.
// It reads the file once, when it is made; "写入到数据库" hands the shown rows to the owner's
// import and leaves the dialog open, so the same rows can go into another file too.
class ReadBackBrowser : public QDialog
{
    Q_OBJECT
public:
    using ImportHandler = std::function<void(const ReadBackRows& rows)>;

    // hostModel: the connected host as the main window holds it kept for
    // the import. A missing record file is reported when the dialog is first shown.
    ReadBackBrowser(TableKind kind, px::HostModel hostModel, const std::string& recordFile,
                    Prompter& prompter, QWidget* parent = nullptr);

    void SetImportHandler(ImportHandler handler) { onImport_ = std::move(handler); }

    TableKind Kind() const { return kind_; }
    // The rows read, as an import writes them; none when the file was missing.
    const std::optional<ReadBackRows>& Rows() const { return rows_; }
    px::HostModel ConnectedModel() const { return hostModel_; }
    ReportTableView* List() const { return list_; }
    QPushButton* ImportButton() const { return import_; }
    QPushButton* CancelButton() const { return cancel_; }
    // The texts of the list's cells, row by row.
    std::vector<std::vector<std::string>> ShownRows() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Fill(const std::string& recordFile);
    void PlaceControls();
    void OnImport();

    TableKind kind_;
    std::optional<ReadBackRows> rows_;
    px::HostModel hostModel_;
    Prompter& prompter_;
    ReportTableView* list_;
    QPushButton* import_;
    QPushButton* cancel_;
    ImportHandler onImport_;
    bool shown_ = false;
};

} // namespace px
