#include "controls/TNumberEdit.h"

#include <cmath>
#include <limits>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QTimer>

#include "controls/TNumberValidator.h"

namespace {

struct Section
{
    QString prefix;
    QString suffix;
    int minInt = 0;
    int minDec = 0;
    int maxDec = 0;
    bool group = false;
    bool number = false;
};

// Splits at ';' outside quoted text.
QStringList sections(const QString &format)
{
    QStringList out(1);
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            out.append(QString());
            continue;
        }
        out.last().append(c);
    }
    return out;
}

Section parseSection(const QString &text)
{
    Section s;
    QString pending; // literal text after the number so far
    bool afterPoint = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        QString literal;
        if (c == u'"' || c == u'\'') {
            const qsizetype end = text.indexOf(c, i + 1);
            literal = text.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? text.size() : end;
        } else if (c == u'0' || c == u'#') {
            s.number = true;
            pending.clear(); // text between digits has no place in a plain number
            if (afterPoint) {
                ++s.maxDec;
                if (c == u'0')
                    s.minDec = s.maxDec;
            } else if (c == u'0') {
                ++s.minInt;
            }
            continue;
        } else if (c == u'.' && !afterPoint) {
            afterPoint = true;
            s.number = true;
            continue;
        } else if (c == u',' && s.number) {
            s.group = true;
            continue;
        } else {
            literal = c;
        }
        if (s.number)
            pending += literal;
        else
            s.prefix += literal;
    }
    s.suffix = pending;
    return s;
}

QString formatMagnitude(double magnitude, const Section &s)
{
    if (!s.number)
        return s.prefix;
    const QLocale locale;
    const QString fixed = QString::number(magnitude, 'f', s.maxDec);
    const qsizetype point = fixed.indexOf(u'.');
    QString whole = point < 0 ? fixed : fixed.left(point);
    QString fraction = point < 0 ? QString() : fixed.mid(point + 1);
    while (fraction.size() > s.minDec && fraction.endsWith(u'0'))
        fraction.chop(1);
    if (whole == u"0" && s.minInt == 0)
        whole.clear();
    while (whole.size() < s.minInt)
        whole.prepend(u'0');
    if (s.group) {
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, locale.groupSeparator());
    }
    QString out = s.prefix + whole;
    if (!fraction.isEmpty())
        out += locale.decimalPoint() + fraction;
    return out + s.suffix;
}

bool wholeKind(TNumberKind kind)
{
    return kind != floatingpointvalue;
}

} // namespace

TNumberEdit::TNumberEdit(QWidget *parent)
    : QLineEdit(parent)
{
    m_validator = new TNumberValidator(m_kind, this);
    setValidator(m_validator);
    showValue();
}

void TNumberEdit::SetKind(TNumberKind kind)
{
    m_kind = kind;
    m_validator->setKind(kind);
    if (!inRange(kind, m_value))
        m_value = 0;
    if (wholeKind(kind))
        m_value = std::round(m_value);
    showValue();
}

double TNumberEdit::Value() const
{
    double typed = 0;
    if (m_entered && parse(text(), &typed))
        return typed;
    return m_value;
}

void TNumberEdit::SetValue(double value)
{
    if (wholeKind(m_kind))
        value = std::round(value);
    if (!inRange(m_kind, value))
        return;
    m_value = value;
    showValue();
}

void TNumberEdit::SetDisplayFormat(const QString &format)
{
    m_format = format;
    showValue();
}

bool TNumberEdit::inRange(TNumberKind kind, double value)
{
    switch (kind) {
    case integervalue:
        return value >= -32768 && value <= 32767;
    case longintvalue:
        return value >= std::numeric_limits<qint32>::min()
               && value <= std::numeric_limits<qint32>::max();
    case wordvalue:
        return value >= 0 && value <= 65535;
    case floatingpointvalue:
        return std::isfinite(value);
    }
    return false;
}

QString TNumberEdit::formatNumber(double value, const QString &format)
{
    if (format.isEmpty()) {
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(value, 'g', QLocale::FloatingPointShortest);
    }
    const QStringList parts = sections(format);
    const bool negative = value < 0;
    const bool ownNegative = negative && parts.size() > 1 && !parts[1].isEmpty();
    Section s = parseSection(ownNegative ? parts[1] : parts[0]);
    const double magnitude = std::fabs(value);
    // A value that shows as nought is nought, with neither sign nor negative section.
    const double shown = std::round(magnitude * std::pow(10.0, s.maxDec));
    if (shown == 0) {
        if (parts.size() > 2 && !parts[2].isEmpty())
            return formatMagnitude(0, parseSection(parts[2]));
        return formatMagnitude(0, ownNegative ? parseSection(parts[0]) : s);
    }
    const QString text = formatMagnitude(magnitude, s);
    return negative && !ownNegative ? u'-' + text : text;
}

bool TNumberEdit::parse(const QString &text, double *value) const
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    double v = 0;
    if (wholeKind(m_kind)) {
        v = static_cast<double>(t.toLongLong(&ok));
    } else {
        t.replace(QLocale().decimalPoint(), QStringLiteral("."));
        v = t.toDouble(&ok);
    }
    if (!ok || !inRange(m_kind, v))
        return false;
    *value = v;
    return true;
}

QString TNumberEdit::plainText() const
{
    // The box is edited in the form its own filter takes; a format with text or thousands
    // shows only while the box is left.
    QString shown = formatNumber(m_value, m_format);
    int pos = 0;
    if (m_validator->validate(shown, pos) == QValidator::Acceptable)
        return shown;
    return formatNumber(m_value, QString());
}

void TNumberEdit::showValue()
{
    setText(m_entered ? plainText() : formatNumber(m_value, m_format));
}

void TNumberEdit::readBack()
{
    double typed = 0;
    if (text() != formatNumber(m_value, m_format) && parse(text(), &typed))
        m_value = typed;
}

void TNumberEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (m_entered)
        return; // back from another window or a menu: the edit goes on
    m_entered = true;
    m_remembered = m_value;
    showValue();
    selectAll();
    // A click places the cursor after the focus arrives; select once it has.
    if (event->reason() == Qt::MouseFocusReason)
        QTimer::singleShot(0, this, [this] {
            if (m_entered)
                selectAll();
        });
}

void TNumberEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    readBack();
    m_entered = false;
    showValue();
}

void TNumberEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_value = m_remembered;
        showValue();
        selectAll();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        readBack();
        showValue();
        selectAll();
    }
    QLineEdit::keyPressEvent(event);
}
