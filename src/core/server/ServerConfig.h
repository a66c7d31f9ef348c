#pragma once

// Where the archive's server copy lives: the settings file's "Archive"/"Server", a libpq
// connection string ("host=… port=… dbname=… user=… sslmode=…") or URI. The password never
// comes from there: libpq finds it in its password file (~/.pgpass or PGPASSFILE); a string
// with one is refused where it would be used (ConnInfo::hasPassword).

#include <QString>

class TIniPlus;

namespace ServerConfig {

inline const QString Section = QStringLiteral("Archive");
inline const QString Key = QStringLiteral("Server");
inline const QString StationKey = QStringLiteral("Station");

// The connection string as the settings give it; empty when none is set.
QString fromSettings(const TIniPlus &ini);
// The name this station's records carry, "Archive"/"Station"; empty when not set (the
// computer's name is used). Two copies of the program on one computer need one each.
QString stationFromSettings(const TIniPlus &ini);
// Takes a password out of a connection string (key=value form or a URI).
QString withoutPassword(const QString &conninfo);
// The connection string with a bound on a connection attempt (connect_timeout) unless it sets
// one: a host that never answers would otherwise hold the sending thread, and a window closing
// waits for that thread, for minutes.
QString withConnectTimeout(const QString &conninfo, int seconds = 5);
// Hides anything that looks like a password in a text (an error message, say).
QString redacted(const QString &text);

} // namespace ServerConfig
