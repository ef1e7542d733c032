#include "FolderTreeBuilder.h"

#include "PathSyntax.h"

namespace vambrel {

FolderTreeBuilder::FolderTreeBuilder(const QString& origin, const QStringList& startFolders)
    : m_origin(origin), m_startFolders(startFolders), m_wholeComputer(origin == kWholeComputerOrigin) {}

void FolderTreeBuilder::reserve(qsizetype folders) {
    m_nodes.reserve(size_t(folders));
    m_byPath.reserve(folders);
}

std::vector<FolderTreeBuilder::Node> FolderTreeBuilder::takeNodes() {
    m_byPath.clear();
    m_last = -1;
    return std::exchange(m_nodes, {});
}

QString FolderTreeBuilder::keyOf(qint64 num) {
    return QLatin1Char('R') + QString::number(num);
}

qint64 FolderTreeBuilder::numberOfKey(const QString& key) {
    if (key.size() < 2 || key.at(0) != QLatin1Char('R'))
        return -1;
    bool ok = false;
    const qint64 num = QStringView(key).mid(1).toLongLong(&ok);
    return ok ? num : -1;
}

// Paths below the origin lose it; a start folder that lies elsewhere (several start folders in
// different places) keeps its whole path so that it still heads its own branch.
QString FolderTreeBuilder::relativePath(const QString& nom) const {
    if (m_wholeComputer || m_origin.isEmpty() || !nom.startsWith(m_origin) || nom.size() == m_origin.size())
        return nom;
    return nom.mid(m_origin.size());
}

QString FolderTreeBuilder::childPrefix(const QString& fullPath) {
    return fullPath.endsWith(kPathSeparator) ? fullPath : fullPath + kPathSeparator;
}

int FolderTreeBuilder::addNode(int parent, qint64 num, const QString& text, const QString& fullPath,
                               bool drive) {
    Node node;
    node.parent = parent;
    node.key = keyOf(num);
    node.text = text;
    node.fullPath = fullPath;
    node.image = drive ? DriveImage : ClosedFolderImage;
    node.selectedImage = drive ? 0 : OpenFolderImage;
    m_nodes.push_back(std::move(node));
    const int index = static_cast<int>(m_nodes.size()) - 1;
    // The key views the node's own text, whose characters stay where they are while it lives.
    m_byPath.insert(QStringView(m_nodes.back().fullPath), index);
    m_last = index;
    return index;
}

int FolderTreeBuilder::addFolder(qint64 num, const QString& nom) {
    const QString rel = relativePath(nom);
    if (rel.isEmpty()) {
        ++m_skipped;
        return -1;
    }
    // A drive of a whole-computer catalogue, or a start folder outside the origin: a top-level node.
    if (m_startFolders.contains(nom) && (m_wholeComputer || rel == nom))
        return addNode(-1, num, rel, rel, m_wholeComputer);
    if (m_wholeComputer && rel == QStringView(&kPathSeparator, 1))
        return addNode(-1, num, rel, rel, true);

    // Most folders are children of the folder just added; the others are found by their parent's
    // path. Both without making a text of the parent's path.
    if (m_last >= 0) {
        const QString& last = m_nodes[static_cast<size_t>(m_last)].fullPath;
        const bool separated = last.endsWith(kPathSeparator);
        const qsizetype prefix = last.size() + (separated ? 0 : 1);
        if (rel.size() > prefix && rel.startsWith(last) &&
            (separated || rel.at(last.size()) == kPathSeparator) &&
            !QStringView(rel).mid(prefix).contains(kPathSeparator))
            return addNode(m_last, num, rel.mid(prefix), rel, false);
    }
    const qsizetype cut = rel.lastIndexOf(kPathSeparator);
    if (cut < 0)
        return addNode(-1, num, rel, rel, false);
    // The parent of "/x" is the root "/" itself.
    const auto found = m_byPath.constFind(QStringView(rel).left(cut == 0 ? 1 : cut));
    if (found == m_byPath.constEnd() || cut + 1 >= rel.size()) {
        ++m_skipped;
        return -1;
    }
    return addNode(found.value(), num, rel.mid(cut + 1), rel, false);
}

} // namespace vambrel
