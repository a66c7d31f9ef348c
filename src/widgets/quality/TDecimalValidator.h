#pragma once

// A limit as the operator types it: an optional minus, digits and one decimal separator,
// the locale's. A point or a comma typed where the locale has the other becomes the
// locale's, so the number pad's key works everywhere. Empty is acceptable: no limit.

#include <QLocale>
#include <QValidator>

class TDecimalValidator : public QValidator
{
    Q_OBJECT

public:
    explicit TDecimalValidator(const QLocale &locale, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;

    static constexpr int MaxLength = 20;

private:
    QLocale m_locale;
};
