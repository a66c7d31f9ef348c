#include "server/PgArray.h"

#include <cmath>
#include <limits>

#include <QByteArray>

void PgArray::separate()
{
    if (m_count++ > 0)
        m_text += QLatin1Char(',');
}

void PgArray::clear()
{
    m_text.clear();
    m_count = 0;
}

void PgArray::append(const QVariant &value)
{
    separate();
    bool ok = !value.isNull();
    switch (m_type) {
    case Type::Text:
        if (ok) {
            m_text += QLatin1Char('"');
            for (const QChar c : value.toString()) {
                if (c == QChar(0)) // the server keeps no NUL in a text
                    continue;
                if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
                    m_text += QLatin1Char('\\');
                m_text += c;
            }
            m_text += QLatin1Char('"');
            return;
        }
        break;
    case Type::BigInt:
    case Type::Integer: {
        const qint64 n = ok ? value.toLongLong(&ok) : 0;
        using Int = std::numeric_limits<int>;
        if (m_type == Type::Integer && (n < Int::min() || n > Int::max()))
            ok = false; // the server's column would refuse the whole batch
        if (ok) {
            m_text += QString::number(n);
            return;
        }
        break;
    }
    case Type::Double: {
        const double d = ok ? value.toDouble(&ok) : 0.0;
        if (!ok)
            break;
        if (std::isnan(d))
            m_text += QStringLiteral("NaN");
        else if (std::isinf(d))
            m_text += d < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
        else
            m_text += QString::number(d, 'g', 17);
        return;
    }
    case Type::Bytes:
        if (ok) {
            // "\x..." inside the quotes: the backslash itself escaped.
            m_text += QStringLiteral("\"\\\\x");
            m_text += QString::fromLatin1(value.toByteArray().toHex());
            m_text += QLatin1Char('"');
            return;
        }
        break;
    }
    m_text += QStringLiteral("NULL");
}

QString PgArray::literal() const
{
    return QLatin1Char('{') + m_text + QLatin1Char('}');
}

QString PgArray::sqlType(Type type)
{
    switch (type) {
    case Type::Text:
        return QStringLiteral("text[]");
    case Type::BigInt:
        return QStringLiteral("bigint[]");
    case Type::Integer:
        return QStringLiteral("integer[]");
    case Type::Double:
        return QStringLiteral("double precision[]");
    case Type::Bytes:
        break;
    }
    return QStringLiteral("bytea[]");
}
