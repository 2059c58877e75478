#include "components/ConfigDir.h"

#include "classlib/Text.h"

std::string ConfigDir;

void StartConfigDirUnit(const std::string& programPath)
{
    ConfigDir = (classlib::ExtractFilePath(programPath) + "config\\").substr(0, 255);
}
