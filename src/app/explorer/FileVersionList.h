#pragma once

#include "VersionRecord.h"

#include <QIcon>
#include <QPointer>
#include <QString>
#include <array>

namespace vambrel {

class qvtFichier;

// The version window's computer mode: the files of the explorer's list, one current item at a
// time (numbered from 1 as the list shows them), with the version resource of the current file
// read from disk now. Only regular files are opened; any other entry has no version resource.
class FileVersionList {
public:
    enum Navigation { Previous = 0, Next = 1, First = 2, Last = 3 };
    static constexpr int kInfoCount = 14;

    explicit FileVersionList(qvtFichier* list);

    // The list's selected item becomes current; false when the list has none (or is gone).
    bool activate();
    // Previous, next, first or last item; false when the current item stays as it is shown
    // (previous on the first item, next on the last).
    bool move(int navigation);
    int index() const { return m_index; }

    // The current file: its full path (exact names), readable name and small icon.
    QString path() const;
    QString name() const;
    QIcon icon() const;
    // The fourteen values of the window for the current file, in the order of its labels: the
    // eight string values, then file version, product version, system, type, subtype and
    // attributes. Empty values where the file has no resource.
    std::array<QString, kInfoCount> read() const;
    // The same for any file on disk.
    static std::array<QString, kInfoCount> ReadFile(const QString& path);

private:
    int count() const;

    QPointer<qvtFichier> m_list;
    int m_index = 0;
};

} // namespace vambrel
