#pragma once

// The characters a TNumberEdit takes, typed or pasted: digits for wordvalue; a leading
// sign as well for the integer kinds; and one decimal separator (the locale's or '.') for
// floatingpointvalue. Ranges are checked when the edit is left, not while typing.

#include <QValidator>

#include "controls/TNumberKind.h"

class TNumberValidator : public QValidator
{
    Q_OBJECT

public:
    explicit TNumberValidator(TNumberKind kind, QObject *parent = nullptr)
        : QValidator(parent)
        , m_kind(kind)
    {}

    void setKind(TNumberKind kind) { m_kind = kind; }
    State validate(QString &input, int &pos) const override;

private:
    TNumberKind m_kind;
};
