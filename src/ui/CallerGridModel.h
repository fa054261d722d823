#pragma once

#include "registry/RegistryViews.h"

#include <QAbstractTableModel>

#include <vector>

namespace px {

// The caller grid's rows: one per key in the order shown, then one blank row for new entries.
class CallerGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit CallerGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Header and one blank row.
    void Reset();
    void SetRows(std::vector<CallerGridRow> rows);
    // Inserts a row directly under the header.
    void InsertTop(const CallerGridRow& row);
    int DataRowCount() const { return static_cast<int>(rows_.size()); }
    const CallerGridRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }

    static const char* HeaderText(int column);
    static int ColumnWidth(int column);

private:
    std::vector<CallerGridRow> rows_;
};

} // namespace px
