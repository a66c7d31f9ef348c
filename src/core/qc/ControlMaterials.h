#pragma once

// The control materials of a window, kept in section "Control" of its settings file. Each key
// is the material's number, a point and a field:
//
//   1.Name=Контрольное молоко А     the material's name (needed)
//   1.Lot=2611                      its lot (may be left out)
//   1.Prefix=КМА                    the label prefix or code of its samples (needed)
//   1.Expires=2027-01-31            its expiry day, or "31.01.2027" (may be left out)
//   1.7=3.52;0.03                   column 7: target;standard deviation
//
// A point or a comma is read as the decimal separator; a point is written. A material whose
// keys are all blank is no material. What cannot be taken is left out with a note for the
// status bar, never read as some other number: a column line that is no "target;SD" pair
// loses that column, a material without name or prefix, with an expiry that is no date or
// with another material's prefix is left out whole. Nothing in the section can make the
// program fail. The schedule's keys (QcSchedule) share the section.

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "qc/ControlMaterial.h"

class TIniPlus;

class ControlMaterials
{
public:
    static const QString Section; // "Control"

    bool isEmpty() const { return m_list.isEmpty(); }
    const QList<ControlMaterial> &list() const { return m_list; }
    // False, and nothing added, for a material without a prefix or with the prefix of one
    // already there: its samples could not be told apart.
    bool append(const ControlMaterial &material);

    // The material the label belongs to, or -1. When prefixes nest ("КМ" and "КМА") the
    // longest that the label begins with wins. An expired material's samples are still its
    // own: telling the operator is the caller's part (ControlMaterial::isExpiredOn).
    int materialFor(QStringView label) const;

    // Column keys firstCol .. lastCol are the window's value columns; every other is noted.
    static ControlMaterials read(const TIniPlus &ini, int firstCol, int lastCol,
                                 QStringList *notes = nullptr);
    // Writes the materials numbered from 1 in list order and blanks the keys of materials
    // and columns no longer there; a line that reads as what it should say keeps the file's
    // spelling, so a file without materials stays as it was. The caller brackets it with
    // TIniPlus::beginUpdate/commit for one rewrite. False when the file refused a write.
    bool write(TIniPlus &ini) const;

    // "3.52;0.03", " 3,52 ; 0,03 "; nullopt with *why set for what cannot be taken.
    enum class ParseError { None, NotPair, NotNumber, SdNotPositive };
    static std::optional<ControlTarget> parseTarget(QStringView value, ParseError *why = nullptr);
    static QString formatTarget(const ControlTarget &target); // "3.52;0.03"

    bool operator==(const ControlMaterials &o) const { return m_list == o.m_list; }

private:
    QList<ControlMaterial> m_list;
};
