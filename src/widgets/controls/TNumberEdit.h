#pragma once

// A one-line box holding one number (the device number on the tool bar). Entering the box
// remembers the value and selects the text; Esc puts the remembered value back; leaving
// reads the text back as the value, or keeps the old value when the text is not a number
// of the kind, and shows it through the display format.

#include <QLineEdit>

#include "controls/TNumberKind.h"

class TNumberValidator;

class TNumberEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TNumberEdit(QWidget *parent = nullptr);

    void SetKind(TNumberKind kind);
    // While the box has the focus, a valid number being typed already counts.
    double Value() const;
    // Values outside the kind's range are refused; whole kinds round to an integer.
    void SetValue(double value);
    // Sections "positive;negative;zero"; in each, '0' is a digit always shown, '#' a digit
    // shown when needed, '.' the decimal separator, ',' groups thousands, other
    // characters (or quoted text) stand as they are. An empty format shows the bare number.
    void SetDisplayFormat(const QString &format);

    static QString formatNumber(double value, const QString &format);
    static bool inRange(TNumberKind kind, double value);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool parse(const QString &text, double *value) const;
    QString plainText() const;
    void readBack();
    void showValue();

    TNumberKind m_kind = integervalue;
    TNumberValidator *m_validator = nullptr;
    QString m_format;
    double m_value = 0;
    double m_remembered = 0;
    bool m_entered = false; // between entering and leaving the box
};
