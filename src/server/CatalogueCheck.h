#pragma once

#include "StopFlag.h"

#include <QList>
#include <QString>
#include <QtGlobal>

namespace vambrel {

// The events of a catalogue check, in the order the check raises them.
class CheckEvents {
public:
    virtual ~CheckEvents() = default;
    // A row was sorted: 0 identical, 1 different, 2 no longer exists. Returns the client's Cancel.
    virtual bool ProgressFile(quint8 iIndex) = 0;
    virtual void ProgressState(qint32 nPos) = 0; // after each row, sorted or not
    virtual void Complete(bool success, const QList<qint32>& colIdem, const QList<qint32>& colDistinct,
                          const QList<qint32>& colNonExist) = 0;
    virtual void Cancelled() = 0;
    // The client's cancel as it arrives, between events: once set, the check stops where it is
    // (reading the catalogue, between rows) and cancels. Null: only ProgressFile's Cancel stops it.
    virtual const StopFlag* stopFlag() const { return nullptr; }
};

// Sorts every file of the catalogue `fileName` by what the disk holds now, as positions of the
// comparison query. Never writes to the catalogue. Raises exactly one terminal event; on failure,
// `failure` (when given) receives a French description of the cause.
void RunCatalogueCheck(const QString& fileName, CheckEvents& events, QString* failure = nullptr);

} // namespace vambrel
