#pragma once

#include <QString>

#include <string>

namespace oq {

// File names as the engine takes them (the local 8-bit encoding of the file
// system) and as the user reads them.
std::string LocalName(const QString& name);
QString ShownName(const std::string& name);

} // namespace oq
