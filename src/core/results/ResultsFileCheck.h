#pragma once

// Whether a file's bytes look like a results table the program wrote: no NUL bytes, and at
// least one line whose date field (the second, after the label) is empty or a date. A binary
// file or another program's text fails, so that opening it (and later saving over it) can be
// asked about first. An empty file is an empty table.

#include <QByteArray>
#include <QString>

namespace ResultsFileCheck {

// head: the file's first bytes; a few kilobytes tell.
bool looksLikeTable(const QByteArray &head);

// Reads the head of the file at path; a file that cannot be read counts as a table (its
// loading tells the reason).
bool fileLooksLikeTable(const QString &path);

constexpr qint64 HeadBytes = 64 * 1024;

} // namespace ResultsFileCheck
