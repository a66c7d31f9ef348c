#pragma once

// Guards a cell editor: a results file is Windows-1251 text with one row per line and TAB
// between cells, so a cell may hold neither TAB, CR, LF nor a character without a byte in
// that code page. Typed or pasted text holding any of them is refused whole.

#include <QValidator>

class TCp1251Validator : public QValidator
{
    Q_OBJECT

public:
    explicit TCp1251Validator(QObject *parent = nullptr)
        : QValidator(parent)
    {}

    State validate(QString &input, int &pos) const override;
    static bool Allowed(QChar c);
};
