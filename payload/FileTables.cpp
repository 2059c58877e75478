#include "payload/FileTables.h"

#include "classlib/Text.h"

namespace payload {

bool IsPictureName(std::string_view name)
{
    if (name.size() < PictureExtension.size()) return false;
    return classlib::SameTextAscii(name.substr(name.size() - PictureExtension.size()), PictureExtension);
}

} // namespace payload
