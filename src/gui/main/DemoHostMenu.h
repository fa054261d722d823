#pragma once

// Demonstration mode: the simulated host's badge in the menu bar opens a menu that does what
// `pxctl sim` does, on the same folder, so the window and a shell see each other's changes.

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QToolButton;

namespace px {

class SimHostSession;
struct WindowContext;

class DemoHostMenu : public QObject
{
    Q_OBJECT
public:
    DemoHostMenu(SimHostSession& session, WindowContext& context, QWidget* window);

    // "模拟主机 (simulated host)", opening the menu when clicked.
    QToolButton* Badge() const { return badge_; }
    QMenu* Menu() const { return menu_; }

    // The most of capture.log that 查看记录 shows: its last lines.
    static constexpr std::size_t kLogViewBytes = 256 * 1024;

    void PressKey();
    void Unplug();
    void Plug();
    void ArmFault();
    void ShowLog();

private:
    // Applies a change to the host's folder; says in the status line what was done, or why
    // it could not be.
    void Apply(const QString& done, bool ok, const std::string& error);

    SimHostSession& session_;
    WindowContext& context_;
    QToolButton* badge_;
    QMenu* menu_;
};

} // namespace px
