#pragma once

// The group "手持呼叫器登记": the handheld callers of the current file; a new one's feature
// code is read from the host or made up.

#include "gui/main/MainWindowLayout.h"
#include "gui/main/WindowContext.h"

#include <QObject>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace px {

class ReportTableView;

class HandheldPanel : public QObject
{
    Q_OBJECT
public:
    HandheldPanel(const MainControls& controls, WindowContext& context, QObject* parent);

    void Reload(const std::string& fileName);
    void EnableEditing(bool on);
    ReportTableView* List() const { return list_; }

signals:
    void changed();

private:
    void Save();
    void Delete();
    void Select();
    void PutMadeUpCode();
    std::uint32_t TimeSeed() const;

    WindowContext& context_;
    ReportTableView* list_;
    QLineEdit* number_;
    QLineEdit* code_;
    QLineEdit* remark_;
    QCheckBox* madeUp_;
    QPushButton* save_;
    QPushButton* delete_;
    // Every field of the window is checked on save, the pager number among them.
    QLineEdit* pagerNumber_;
};

} // namespace px
