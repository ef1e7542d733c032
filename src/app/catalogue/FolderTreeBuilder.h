#pragma once

#include "CatalogueSchema.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace vambrel {

// Builds the folder tree of a catalogue in one pass over its folders sorted by path. A node's
// full path is the folder path relative to the catalogue's origin; a folder's parent is normally
// the previous node, otherwise it is looked up by path, and a folder whose parent is not in the
// catalogue is left out.
class FolderTreeBuilder {
public:
    enum Image { DriveImage = 1, ClosedFolderImage = 4, OpenFolderImage = 5 };

    struct Node {
        int parent = -1;  // index of the parent node, -1 for a top-level node
        QString key;      // "R" followed by the folder number
        QString text;     // the node's own name
        QString fullPath; // relative path of the folder
        int image = ClosedFolderImage;
        int selectedImage = OpenFolderImage; // 0: none
    };

    // origin: the catalogue's "Origine"; startFolders: the start folders of its "Source".
    FolderTreeBuilder(const QString& origin, const QStringList& startFolders);

    // Room for this many folders.
    void reserve(qsizetype folders);
    // Adds one folder row; returns the index of the new node, or -1 when the folder is left out.
    int addFolder(qint64 num, const QString& nom);

    const std::vector<Node>& nodes() const { return m_nodes; }
    // The nodes, leaving none here.
    std::vector<Node> takeNodes();
    int skipped() const { return m_skipped; }
    bool wholeComputer() const { return m_wholeComputer; }

    // The folder number that a node key stands for; -1 for a key that is not "R" and a number.
    static qint64 numberOfKey(const QString& key);
    static QString keyOf(qint64 num);

private:
    int addNode(int parent, qint64 num, const QString& text, const QString& fullPath, bool drive);
    QString relativePath(const QString& nom) const;
    static QString childPrefix(const QString& fullPath);

    QString m_origin;
    QStringList m_startFolders;
    bool m_wholeComputer;
    std::vector<Node> m_nodes;
    QHash<QStringView, int> m_byPath; // views of the nodes' full paths
    int m_last = -1;
    int m_skipped = 0;
};

} // namespace vambrel
