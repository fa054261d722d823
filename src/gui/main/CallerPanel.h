#pragma once

// The group "呼叫器登记": the caller grid, edited in place with one row per key and a context
// menu that deletes keys, and the strip below it that registers callers, automatically as
// their keys are pressed or by a typed code.

#include "gui/main/MainWindowLayout.h"
#include "gui/main/WindowContext.h"
#include "registry/RegistryViews.h"

#include <QObject>
#include <map>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;

namespace px {

class CallerGridView;

class CallerPanel : public QObject
{
    Q_OBJECT
public:
    CallerPanel(const MainControls& controls, WindowContext& context, QObject* parent);

    void Reload(const std::string& fileName);
    // The pager numbers the device columns offer and a new key is sent to.
    void SetPagerNumbers(std::vector<std::string> numbers) { numbers_ = std::move(numbers); }
    const std::vector<std::string>& PagerNumbers() const { return numbers_; }
    void LoadKeyNames();
    const std::vector<std::string>& KeyNames() const { return keyNames_; }
    void LoadCallerTypes();
    const std::vector<CallerType>& CallerTypes() const { return callerTypes_; }

    // On: the register button works; either way the strip goes back to automatic mode.
    void EnableRegistration(bool on);
    CallerGridView* Grid() const { return grid_; }
    QMenu* GridMenu() const { return gridMenu_; }
    // An entry of the grid's context menu; nothing for another command.
    QAction* GridAction(Command command) const;

signals:
    // Keys were deleted: every view of the file is out of date.
    void changed();

private:
    void OnEdited(int row, int column, const QString& text);
    void DeleteKey();
    void DeleteKeys();
    void ToggleManual();
    void Register();

    WindowContext& context_;
    CallerGridView* grid_;
    QCheckBox* manual_;
    QLineEdit* manualCode_;
    QCheckBox* plusOne_;
    QComboBox* type_;
    QLineEdit* runFrom_;
    QLineEdit* runTo_;
    QPushButton* register_;
    QLineEdit* number_;
    QLineEdit* name_;
    QMenu* gridMenu_;
    std::map<Command, QAction*> gridActions_;

    std::vector<std::string> numbers_;
    std::vector<std::string> keyNames_;
    std::vector<CallerType> callerTypes_;
    // The feature code of the row where the latest edit or right click started.
    std::string rememberedCode_;
};

} // namespace px
