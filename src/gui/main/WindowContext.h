#pragma once

// What the parts of the main window share: the services the program was started with, the
// document being edited, the link to the host, and the hooks through which the window asks the
// user (which tests replace).

#include "common/Clock.h"
#include "common/EventPump.h"
#include "common/Profile.h"
#include "common/Prompter.h"
#include "hostlink/HostExchange.h"
#include "hostlink/HostLink.h"
#include "session/Workspace.h"

#include <QSize>
#include <QString>
#include <filesystem>
#include <functional>

class QDialog;
class QWidget;

namespace px {

class CallerTypesDialog;
class ConfigFileDialog;
class ReadBackBrowser;
struct SiteSheet;
class SimHostSession;

// What the main window works with; owned by whoever starts it.
struct AppServices
{
    // The data folder (made), its database, the current file and the host (made).
    Workspace& workspace;
    Prompter& prompter;
    Clock& clock;
    EventPump& pump;
    Profile& profile;
    // The room the window may take on the screen; empty: the screen's own available area.
    QSize screenRoom = {};
    // The program that reads a classic tool's database (px-classic-reader); empty where there
    // is none.
    std::filesystem::path classicReaderProgram = {};
};

// How the window asks the user for a file, shows a report and runs its dialogs: modally
// unless a test puts its own steps in.
struct WindowHooks
{
    // A file on disk: filter like "*.bin"; save asks for a new file. Empty when cancelled.
    std::function<QString(const QString& filter, bool save)> chooseFile;
    std::function<void(const QString& title, const QString& text)> showReport;
    // A question with a long text to read first (a preview); true for OK.
    std::function<bool(const QString& title, const QString& text)> confirmReport;
    std::function<int(ConfigFileDialog&)> runFileDialog;
    std::function<int(CallerTypesDialog&)> runTypeDialog;
    std::function<int(ReadBackBrowser&)> runViewDialog;
    // The site sheet on screen, to print or to save as PDF.
    std::function<void(const SiteSheet&)> previewSheet;
    // The small dialogs of the demonstration menu (a key press, a fault).
    std::function<int(QDialog&)> runDemoDialog;
};

struct WindowContext
{
    const AppServices& services;
    Workspace& workspace;
    HostLink& link;
    HostExchange& exchange;
    WindowHooks& hooks;
    QWidget* window; // the parent of the window's dialogs
    // Runs a command that talks to the host, unless another one is talking to it now.
    std::function<void(const std::function<void()>&)> runHostCommand;
    // Says in the window's status line what an operation did, without a box to close.
    std::function<void(const QString&)> notify;

    Prompter& prompter() const { return services.prompter; }
    HostModel hostModel() const { return link.GetHostModel(); }
};

} // namespace px
