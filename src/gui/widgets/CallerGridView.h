#pragma once

#include "gui/widgets/CallerGridModel.h"

#include <QTableView>

namespace px {

// The caller grid: a header row 24 pixels high over the caller rows.
class CallerGridView : public QTableView
{
    Q_OBJECT
public:
    explicit CallerGridView(QWidget* parent = nullptr);
    CallerGridModel* GridModel() const { return model_; }

private:
    CallerGridModel* model_;
};

} // namespace px
