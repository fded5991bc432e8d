#pragma once

#include <QString>

#include <string>
#include <vector>

class QWidget;

namespace oq {

// Whether the engine takes `chosen`, a file the user picked to write, as an
// output of a run that reads `inputs` (see RequireWritableOutput). When it
// does not, a message titled `title` over `parent` names the file and the
// reason, and the answer is false: the chooser keeps its earlier choice,
// and the user may pick again.
bool AcceptOutputChoice(QWidget* parent, const QString& title, const QString& chosen,
                        const std::vector<std::string>& inputs);

} // namespace oq
