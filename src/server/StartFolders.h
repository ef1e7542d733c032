#pragma once

#include <QString>
#include <QStringList>

namespace vambrel {

// The start folders of a job's Spec. False, with a French cause, when the list is empty or has an
// empty item: walking "" would mean walking whatever folder the server happens to be in.
bool SplitJobSpec(const QString& spec, QStringList* folders, QString* cause);

} // namespace vambrel
