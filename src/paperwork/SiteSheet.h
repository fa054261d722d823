#pragma once

// The site sheet an installer leaves with the customer: which caller is which table, which
// pager gets which call, and the host's settings, so a replacement caller can be matched later.
// This is its content; the window and pxctl lay it out as a printable document.

#include "paperwork/HostFacts.h"
#include "registry/CallerSheet.h"
#include "registry/RegistryViews.h"
#include "storage/Database.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace px {

struct CallerGroup
{
    int callNo = 0;
    std::vector<CallerRow> keys; // ascending feature code
};

struct SiteSheet
{
    std::string fileName;
    std::string model; // "PX" or "QX"
    std::string date;  // as printed
    std::vector<InfoMachineListRow> infoMachines;
    std::vector<HandheldListRow> handhelds;
    std::vector<CallerGroup> callers; // ascending caller number
    std::optional<HostFacts> host;    // nothing: no host was connected
};

// The sheet of a configuration file; nothing, with the reason, when the file does not exist
// or cannot be read.
std::optional<SiteSheet> LoadSiteSheet(Database& db, const std::string& fileName,
                                       const std::string& date, std::string& error);

// The sheet as an HTML document for a rich-text layout: a title, then one table per part,
// each with a header row that repeats on every page. Every text is escaped.
std::string SiteSheetHtml(const SiteSheet& sheet);

} // namespace px
