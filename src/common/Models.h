#pragma once

// The two models of the host, as the connected host and as a configuration file have them; a
// colour as the displays name it.

#include <ostream>

namespace px {

// A colour of the data monitor's lines and the lists' columns.
struct Rgb
{
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

// The model of the connected host.
enum class HostModel : int
{
    None = 0,
    PX = 1,
    QX = 2,
};

// A configuration file's model, stored in T_FileName.DeviceType as 0 (PX) or 1 (QX); None
// while no file is open.
enum class FileType : int
{
    None = -1,
    PX = 0,
    QX = 1,
};

// The stored DeviceType value of a file type, and back (anything but 1 is PX).
inline int StoredFileType(FileType type)
{
    return type == FileType::QX ? 1 : 0;
}
inline FileType FileTypeFromStored(int value)
{
    return value == 1 ? FileType::QX : FileType::PX;
}

// "px" or "qx", as the command line and JSON documents name a file's model.
inline const char* FileModelName(FileType type)
{
    return type == FileType::QX ? "qx" : "px";
}

// For messages and test output.
inline std::ostream& operator<<(std::ostream& out, HostModel model)
{
    return out << (model == HostModel::PX   ? "PX host"
                   : model == HostModel::QX ? "QX host"
                                            : "no host");
}
inline std::ostream& operator<<(std::ostream& out, FileType type)
{
    return out << (type == FileType::PX ? "PX file" : type == FileType::QX ? "QX file" : "no file");
}

} // namespace px
