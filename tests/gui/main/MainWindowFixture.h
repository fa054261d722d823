#pragma once

#include "common/Profile.h"
#include "gui/main/MainWindow.h"
#include "mock/FakeClock.h"
#include "mock/ScratchDatabase.h"
#include "mock/ScriptedPrompter.h"
#include "mock/TempFolder.h"
#include "sim/SimHost.h"
#include "storage/Database.h"

#include <QString>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace px::test {

// Runs a test's hook whenever a wait hands control back to the user interface, the way a
// user acts while the program waits for the host.
class HookedPump final : public EventPump
{
public:
    bool PumpMessages() override
    {
        if (hook)
            hook();
        return true;
    }
    std::function<void()> hook;
};

// The main window on a temporary data folder, a fake clock and a simulated HID bus.
class MainWindowFixture : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(scratch_.Create()); }

    MainWindow& Window()
    {
        if (!window_) {
            window_ = std::make_unique<MainWindow>(AppServices{
                workspace_, prompter_, clock_, pump_, profile_, screenRoom_, classicReader_});
        }
        return *window_;
    }

    // A control or menu of the window by its name.
    template <typename T = QWidget> T* Find(const char* name)
    {
        T* found = Window().findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Plugs in a simulated host that answers.
    int PlugHost(HostModel model = HostModel::PX)
    {
        host_.State().model = model;
        const int id = backend_.AddDevice(
            kHostVendorId, model == HostModel::QX ? kQxProductId : kPxProductId, &host_);
        host_.SetUnplugHandler([this, id] { backend_.RemoveDevice(id); });
        return id;
    }

    // A configuration file with one row in each registration table.
    void AddFile(const std::string& name, int type)
    {
        ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName, DeviceType) values (?, ?)",
                                {name, std::int64_t{type}}));
        ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) "
                                "values (5,'0000123','r',?,0)",
                                {name}));
        ASSERT_TRUE(db_.Execute(
            "insert into T_Device2 (DeviceNo,Address,Remark,FileName) values (1,'1A2B','',?)",
            {name}));
        ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,"
                                "CodeType,FileName) values ('A1B2C1',1,'','',5,0,?)",
                                {name}));
    }

    TempFolder folder_;
    ScratchDatabase scratch_{folder_};
    Database& db_ = scratch_.Db();
    ScriptedPrompter prompter_;
    FakeClock clock_;
    HookedPump pump_;
    SimHost host_;
    SimHidBackend backend_;
    // A simulated host without its folder: the badge, not the demonstration menu.
    Workspace workspace_{folder_.Folder(), backend_, true};
    MemoryProfile profile_;
    // The screen the window opens on: a desktop's, unless a test gives a laptop's.
    QSize screenRoom_{1920, 1040};
    // The classic database reader, for the tests that import one.
    std::filesystem::path classicReader_;
    std::unique_ptr<MainWindow> window_;
};

} // namespace px::test
