#pragma once

#include <QStandardItemModel>
#include <QStringList>
#include <QTableView>

#include <utility>
#include <vector>

namespace px {

// A report-style list: a header, full-row selection and grid lines.
class ReportList : public QTableView
{
    Q_OBJECT
public:
    struct Column
    {
        QString title;
        int width = 60;
    };

    explicit ReportList(QWidget* parent = nullptr);

    void SetColumns(const std::vector<Column>& columns);
    void Clear();
    void AddRow(const QStringList& texts);
    int RowCount() const;
    QString Text(int row, int column) const;
    // The first selected row, or -1.
    int SelectedRow() const;

    QStandardItemModel* Model() const { return model_; }

private:
    QStandardItemModel* model_;
};

} // namespace px
