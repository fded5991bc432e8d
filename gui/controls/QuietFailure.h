#pragma once

#include <QString>

#include <exception>

namespace oq {

// Writes a failure that the window answers without a word (an action that
// stops where it failed, a field that keeps its value) or with a fixed
// message of its own to the diagnostic output, so that the file and the
// reason are not lost. `action` says what was being done ("opening a file").
void NoteQuietFailure(const char* action, const std::exception& failure);
// The same with the failure's message as a worker thread carried it.
void NoteQuietFailure(const char* action, const QString& failure);

} // namespace oq
