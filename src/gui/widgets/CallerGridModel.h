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
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An edit stores the text and reports it; the owner writes it to the database.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Header and one blank row.
    void Reset();
    void SetRows(std::vector<CallerGridRow> rows);
    // Inserts a row directly under the header.
    void InsertTop(const CallerGridRow& row);
    int DataRowCount() const { return static_cast<int>(rows_.size()); }
    const CallerGridRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    // The text of any row, the blank last one included.
    std::string Text(int row, int column) const;
    // Puts a text back without reporting an edit.
    void SetText(int row, int column, const std::string& text);

    static const char* HeaderText(int column);
    static int ColumnWidth(int column);

signals:
    void cellEdited(int row, int column, const QString& text);

private:
    CallerGridRow& RowAt(int row);

    std::vector<CallerGridRow> rows_;
    CallerGridRow blank_; // what was typed into the blank last row
};

} // namespace px
