#pragma once

#include "app/CPX_SystemDlg.h"
#include "common/Profile.h"
#include "sim/SimHidBackend.h"
#include "storage/AdoDatabase.h"
#include "storage/Schema.h"

#include "mock/FakeClock.h"
#include "mock/ScriptedPrompter.h"
#include "mock/TempFolder.h"

#include <gtest/gtest.h>

#include <QString>

#include <memory>

namespace px::test {

// The main window on a temporary data folder, a fake clock and a simulated HID bus.
class MainWindowFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(EnsureDatabase(folder_.File("Database/DADE.db"), error)) << error;
        ASSERT_TRUE(db_.Open(MakeConnectionString(folder_.File("Database/DADE.db"))));
    }

    CPX_SystemDlg& Window()
    {
        if (!window_) {
            window_ = std::make_unique<CPX_SystemDlg>(AppServices{
                QString::fromStdString(folder_.Folder()), prompter_, clock_, pump_, backend_,
                profile_, true});
        }
        return *window_;
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
    CADODatabase db_;
    ScriptedPrompter prompter_;
    FakeClock clock_;
    NullEventPump pump_;
    SimHidBackend backend_;
    MemoryProfile profile_;
    std::unique_ptr<CPX_SystemDlg> window_;
};

} // namespace px::test
