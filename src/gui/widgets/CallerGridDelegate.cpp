#include "gui/widgets/CallerGridDelegate.h"

#include "registry/Callers.h"

#include <QComboBox>

namespace px {

CallerGridDelegate::CallerGridDelegate(std::function<QStringList()> deviceOptions, QObject* parent)
    : QStyledItemDelegate(parent), deviceOptions_(std::move(deviceOptions))
{}

QWidget* CallerGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const
{
    emit editBegun(index.row(), index.column());
    const int column = index.column();
    if (column >= kFirstDeviceColumn && column <= kEscalationColumn) {
        auto* combo = new QComboBox(parent);
        combo->setObjectName("gridCombo");
        if (column == kEscalationColumn) {
            for (const std::string& choice : kEscalationChoices)
                combo->addItem(QString::fromStdString(choice));
        } else {
            QStringList options = deviceOptions_ ? deviceOptions_() : QStringList();
            // An empty entry lets the user clear the cell.
            if (!options.contains(QString()))
                options.prepend(QString());
            combo->addItems(options);
        }
        return combo;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void CallerGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(std::max(0, combo->findText(index.data(Qt::EditRole).toString())));
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void CallerGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, combo->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

} // namespace px
