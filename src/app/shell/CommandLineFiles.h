#pragma once

#include <QString>
#include <QStringList>

namespace vambrel {

// The catalogues named on the program's command line (`Vambrel FILE...`, as a desktop entry
// passes them), as absolute clean paths in their order, so that each opens as a file chosen in
// the open dialog would. `arguments` excludes the program's name, and Qt has already taken its
// own options out. A "--" ends the options; before it, other words that begin with "-" are
// ignored. A "file:" URL gives its local path; other URLs are ignored.
QStringList CommandLineFiles(const QStringList& arguments, const QString& currentFolder);

} // namespace vambrel
