#pragma once

#include "CatalogueReader.h"

#include <QTreeWidget>

namespace vambrel {

class TypeIcons;

// The file list of the explorer view: the files of one folder of a catalogue, listed in chunks so
// that input is looked at between them (a move in the tree meanwhile lists another folder and this
// listing stops where it is), sorted by the text of a clicked column. Items carry their file's
// NumId in Qt::UserRole.
class FolderFileList : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr int kChunk = 512; // rows listed before pending input is looked at

    FolderFileList(TypeIcons& icons, QWidget* parent = nullptr);

    // Lists the files of folder `num`, or nothing for a null database.
    void listFolder(const Database* db, qint64 num);
    void clearFolder();
    // Whether the folder's files are still being listed.
    bool pending() const { return m_pending; }
    double totalSize() const { return m_totalSize; }
    // The folder's rows (filesRs).
    const FileRows& rows() const { return m_rows; }
    void columnClick(int column);

Q_SIGNALS:
    // The rows listed so far, after each chunk.
    void Listed(qint64 files, double totalSize);

private:
    void fillChunk(quint64 generation);

    TypeIcons& m_icons;
    FileRows m_rows;
    quint64 m_generation = 0;
    bool m_pending = false;
    double m_totalSize = 0;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace vambrel
