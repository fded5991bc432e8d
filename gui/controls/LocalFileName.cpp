#include "gui/controls/LocalFileName.h"

#include <QFile>

namespace oq {

std::string LocalName(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

QString ShownName(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

} // namespace oq
