#pragma once

#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>

namespace px {

// Gives the device and escalation cells a drop-down list only while they are edited, so the
// grid holds plain texts and stays fast with thousands of rows.
class CallerGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The device options are taken afresh each time an edit begins.
    explicit CallerGridDelegate(std::function<QStringList()> deviceOptions,
                                QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

signals:
    void editBegun(int row, int column) const;

private:
    std::function<QStringList()> deviceOptions_;
};

} // namespace px
