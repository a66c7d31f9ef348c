#pragma once

// The window's quality-control state from its control samples. A result is a control when
// its label belongs to a material (ControlMaterials::materialFor). Whenever a result gets a
// control's label, or loses one, that material's controls are read again, oldest first, and
// judged in turn, each against the ones before it: the newest one's verdict is the
// material's state, and the last control before it that was not rejected is its last good
// control. Reading them again rather than keeping them makes a label corrected afterwards
// (a sample labelled a control later, or a control that turns out to be none) count as it
// now reads. A control none of whose columns can be judged (no value where the material has
// a target) passes no verdict. The window's state is the worst of its materials' states; of
// two alike, the one of the later control.

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringView>

#include "qc/ControlMaterials.h"

// One control as the archive holds it.
struct ControlResult
{
    QDateTime at;
    QMap<int, double> values; // by column, finite values only
};

struct QcState
{
    // In rising order of what the operator must see first.
    enum Kind { NoData, InControl, Warning, Unread, Rejection };
    Kind kind = NoData;
    // The columns the verdict is given for, each with its rule names ("1-3s, 2-2s").
    QList<std::pair<int, QString>> reasons;
    QDateTime at;       // the control judged
    QDateTime lastGood; // of a rejection: the last control before it not rejected, or invalid
    int material = -1;  // the material judged, by its place in the list
    QMap<int, double> values{}; // the judged control's values, by column

    // What the operator must not overlook: a rejection, or controls that could not be judged.
    bool isTrouble() const { return kind == Rejection || kind == Unread; }
};

class ControlMonitor
{
public:
    // The material's controls, oldest first; nullopt when they cannot be read now.
    using History = std::function<std::optional<std::vector<ControlResult>>(int material)>;

    ControlMonitor(ControlMaterials materials, History history);

    const ControlMaterials &materials() const { return m_materials; }
    // A result now carries this label: its material is judged again. False when the label
    // is no control's.
    bool labelled(QStringView label);
    // A result's label changed to this one: the material it now names is judged again, and
    // so is every material judged so far, which may have lost a control by it.
    void relabelled(QStringView label);
    // Judges every material, as the archive holds its controls from before.
    void judgeAll();
    // Judges again every material judged so far or not read (the archive works again).
    void rejudge() { relabelled({}); }
    bool hasUnread() const;
    QcState state() const;

    static QcState judge(const ControlMaterial &material,
                         const std::vector<ControlResult> &controls);
    // "Контроль: отклонение 1-3s (Жир) — результаты после 10:42 под вопросом", the columns
    // named by `title`.
    static QString describe(const QcState &state, const std::function<QString(int)> &title);
    // "1-3s (Жир), 1-2s (Белок)": the reasons, columns of the same rules named together.
    static QString reasonsText(const QList<std::pair<int, QString>> &reasons,
                               const std::function<QString(int)> &title);

private:
    void judgeMaterial(int material);

    ControlMaterials m_materials;
    History m_history;
    std::vector<QcState> m_states; // by material
};
