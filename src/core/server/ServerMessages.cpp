#include "server/ServerMessages.h"

#include <utility>

#include <QRegularExpression>
#include <QSqlError>

#include "server/ServerConfig.h"
#include "text/ServerStrings.h"

namespace {

struct Rule
{
    const char *pattern; // a regular expression, matched without regard to case
    const QString &cause;
};

// The first rule that matches wins: the specific ones stand before the general.
const Rule Rules[] = {
    {"terminating connection due to administrator command", Str::CauseAdminShutdown},
    {"the database system is (starting up|shutting down|in recovery mode)", Str::CauseStarting},
    {"canceling statement due to statement timeout", Str::CauseStatementTimeout},
    {"password authentication failed", Str::CausePassword},
    {"no password supplied|fe_sendauth", Str::CauseNoPassword},
    {"no pg_hba\\.conf entry", Str::CauseHba},
    {"root certificate file .* does not exist", Str::CauseRootCertMissing},
    {"certificate verify failed|does not match host name|certificate|sslrootcert",
     Str::CauseCertificate},
    {"server does not support SSL", Str::CauseNoSsl},
    {"database \".*\" does not exist", Str::CauseNoDatabase},
    {"role \".*\" does not exist", Str::CauseNoRole},
    {"too many clients|remaining connection slots", Str::CauseTooMany},
    {"permission denied", Str::CausePermission},
    {"timeout expired|timed out", Str::CauseTimeout},
    {"connection refused", Str::CauseRefused},
    {"could not translate host name|name or service not known|name resolution",
     Str::CauseHostUnknown},
    {"network is unreachable|no route to host", Str::CauseUnreachable},
    {"server closed the connection|connection to server was lost|no connection to the server|"
     "could not (receive|send) data|connection reset|broken pipe|SSL SYSCALL|SSL error",
     Str::CauseConnectionLost},
    {"invalid connection option|missing \"=\"|unterminated quoted string|invalid URI|"
     "invalid (integer|sslmode) value|invalid .* value",
     Str::CauseBadConninfo},
    {"could not connect|connection to server at", Str::CauseCannotConnect},
};

// The program's own texts begin in Russian; libpq's in English, whatever names they quote.
bool ours(const QString &text)
{
    for (const QChar c : text) {
        if (c.isLetter())
            return c.script() == QChar::Script_Cyrillic;
    }
    return false;
}

} // namespace

namespace ServerMessages {

QString firstLine(const QSqlError &e)
{
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.text().trimmed();
    return ServerConfig::redacted(text.section(QLatin1Char('\n'), 0, 0));
}

QString cause(const QString &original)
{
    if (original.isEmpty() || ours(original))
        return original;
    for (const Rule &rule : Rules) {
        const QRegularExpression re(QString::fromLatin1(rule.pattern),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(original).hasMatch())
            return rule.cause;
    }
    return Str::ServerDetailsInTooltip;
}

} // namespace ServerMessages
