#pragma once

#include "gui/main/MainWindowLayout.h"

#include <QAction>
#include <QMenu>
#include <map>
#include <span>

namespace px {

// Adds a menu's entries as named actions (separators where the table has them) and keeps each
// action by its command.
inline void AddMenuEntries(QMenu* menu, std::span<const MenuEntry> entries,
                           std::map<Command, QAction*>& actions)
{
    for (const MenuEntry& entry : entries) {
        if (entry.command == Command::None) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(entry.text));
        action->setObjectName(QString::fromUtf8(entry.name));
        actions[entry.command] = action;
    }
}

} // namespace px
