#include "quality/TCellNumber.h"

TCellNumber::TCellNumber(const QLocale &locale)
    : m_locale(locale)
    , m_number(ShownNumber::typed(locale))
{}

std::optional<double> TCellNumber::read(QByteArrayView cell) const
{
    // A cell never holds a TAB, so the whole cell is read.
    ShownNumber::Value v;
    return m_number.read(cell, &v) ? std::optional<double>(v.value) : std::nullopt;
}

std::optional<double> TCellNumber::read(QStringView text) const
{
    ShownNumber::Value v;
    return m_number.read(text, &v) ? std::optional<double>(v.value) : std::nullopt;
}
