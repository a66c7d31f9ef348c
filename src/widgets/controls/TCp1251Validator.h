#pragma once

// Guards a cell editor: a results file is Windows-1251 text with one row per line and TAB
// between cells, so a cell may hold neither TAB, CR, LF nor a character without a byte in
// that code page. Typed or pasted text holding any of them is refused whole; an editor that
// cleans (setCleaning) takes TAB as a blank and drops line ends instead, and refuses only
// characters the file cannot hold, telling which (refused).

#include <QValidator>

class TCp1251Validator : public QValidator
{
    Q_OBJECT

public:
    explicit TCp1251Validator(QObject *parent = nullptr)
        : QValidator(parent)
    {}

    State validate(QString &input, int &pos) const override;
    static bool allowed(QChar c);

    void setCleaning(bool on) { m_cleaning = on; }
    // TAB as a blank; line ends at the end dropped, those inside as a blank.
    static QString cleaned(const QString &text);
    // Where the first character the file cannot hold stands, or -1.
    static qsizetype firstRefused(const QString &text);
    // The character at i, both halves of a pair beyond the 16-bit range.
    static QString characterAt(const QString &text, qsizetype i);

signals:
    void refused(const QString &character) const;

private:
    bool m_cleaning = false;
};
