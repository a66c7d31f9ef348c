#pragma once

// What the server or libpq said, as the operator's cause: libpq speaks English
// ("FATAL: terminating connection due to administrator command"), the status line Russian.
// The original text stays for the tooltip.

#include <QString>

class QSqlError;

namespace ServerMessages {

// The first line of what the server or the driver said, any password in it hidden.
QString firstLine(const QSqlError &e);

// The Russian cause of an error text; a text that is already the program's own (Russian)
// is kept as it is, one nobody mapped reads as a server error with the details elsewhere.
QString cause(const QString &original);

} // namespace ServerMessages
