#include "payload/FileTables.h"

#include <algorithm>

namespace payload {

bool IsPictureName(std::string_view name)
{
    if (name.size() < PictureExtension.size()) return false;
    const std::string_view end = name.substr(name.size() - PictureExtension.size());
    return std::equal(end.begin(), end.end(), PictureExtension.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

} // namespace payload
