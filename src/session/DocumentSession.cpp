#include "session/DocumentSession.h"

#include "common/IniFile.h"
#include "session/DataFolder.h"
#include "storage/Schema.h"

namespace px {

DocumentSession::DocumentSession(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

bool DocumentSession::Open()
{
    return database_.IsOpen() || database_.Open(MakeConnectionString(DatabasePath(dataFolder_)));
}

bool DocumentSession::Check(std::string& problem)
{
    return Open() && CheckDatabase(database_, problem);
}

void DocumentSession::MakeCurrent(const std::string& name, FileType type)
{
    fileName_ = name;
    type_ = type;
    WriteProfileString(dataFolder_ + "zpreg.ini", "File", "Name", name);
}

} // namespace px
