#pragma once

// The group "信息机登记": the information machines of the current file, and the fields that
// add, modify and delete them.

#include "gui/main/MainWindowLayout.h"
#include "gui/main/WindowContext.h"
#include "registry/RegistryViews.h"

#include <QObject>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace px {

class ReportTableView;

class InfoMachinePanel : public QObject
{
    Q_OBJECT
public:
    InfoMachinePanel(const MainControls& controls, WindowContext& context, QObject* parent);

    // Fills the list from a file ("" empties it); returns what the other parts list.
    InfoMachineView Reload(const std::string& fileName);
    void EnableEditing(bool on);
    ReportTableView* List() const { return list_; }

signals:
    // A machine was stored or deleted: every view of the file is out of date.
    void changed();

private:
    void Save();
    void Delete();
    void Select();

    WindowContext& context_;
    ReportTableView* list_;
    QLineEdit* pager_;
    QLineEdit* address_;
    QLineEdit* remark_;
    QComboBox* type_;
    QCheckBox* advance_;
    QPushButton* save_;
    QPushButton* delete_;
    // Every field of the window is checked on save, the handheld number among them.
    QLineEdit* handheldNumber_;
};

} // namespace px
