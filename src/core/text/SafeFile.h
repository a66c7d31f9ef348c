#pragma once

// File operations that a FIFO, a device node or a killed save cannot turn against the program:
// opening for reading never blocks, only regular files are read or replaced, and a replaced
// file's folder is flushed so the rename survives a power cut.

#include <QFile>
#include <QString>

namespace SafeFile {

// Opens path read-only without blocking (a FIFO with no writer would hang an open()), then
// refuses anything that is not a regular file. On failure *reason says why, in Russian.
bool openForReading(QFile &file, const QString &path, QString *reason);

// Whether a save may put a new file at path: nothing there yet, or a regular file (a link to
// one counts as the file). A device, a FIFO, a socket or a folder is never replaced.
bool mayReplace(const QString &path, QString *reason);

// Flushes the folder holding path, so that a rename or a new file in it is on the disk.
void syncFolderOf(const QString &path);

// Puts the finished file `from` in the place of `to`: its bytes reach the disk before the
// name does, so a crash leaves the old file or the new one, never a name over nothing. On
// failure *reason says why.
bool replaceDurably(const QString &from, const QString &to, QString *reason);

// Removes temporary copies that a save killed between writing and renaming left beside path
// ("res.txt.Ab12Cd"): the exact name, a dot and six letters or digits with at least one digit
// or capital, as the temporary names are made; other files are left alone.
int removeStaleCopies(const QString &path);

} // namespace SafeFile
