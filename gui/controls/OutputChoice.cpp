#include "gui/controls/OutputChoice.h"

#include "base/Error.h"
#include "base/OutputTarget.h"
#include "gui/controls/LocalFileName.h"

#include <QMessageBox>

namespace oq {

bool AcceptOutputChoice(QWidget* parent, const QString& title, const QString& chosen,
                        const std::vector<std::string>& inputs)
{
    try {
        RequireWritableOutput(LocalName(chosen), inputs);
        return true;
    } catch (const FileError& refusal) {
        QMessageBox::information(parent, title, QString::fromStdString(refusal.what()));
        return false;
    }
}

} // namespace oq
