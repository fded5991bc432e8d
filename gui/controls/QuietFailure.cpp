#include "gui/controls/QuietFailure.h"

#include <QtGlobal>

namespace oq {

void NoteQuietFailure(const char* action, const std::exception& failure)
{
    qWarning("%s failed: %s", action, failure.what());
}

void NoteQuietFailure(const char* action, const QString& failure)
{
    qWarning("%s failed: %s", action, qUtf8Printable(failure));
}

} // namespace oq
