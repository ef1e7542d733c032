#include "FileVersionList.h"

#include "NativeName.h"
#include "PathSyntax.h"
#include "mVersionInfo.h"
#include "qvtFichier.h"

namespace vambrel {

FileVersionList::FileVersionList(qvtFichier* list) : m_list(list) {}

int FileVersionList::count() const {
    return m_list ? m_list->ListItemsCount() : 0;
}

bool FileVersionList::activate() {
    const int selected = m_list ? m_list->SelectedItem() : 0;
    if (selected < 1)
        return false;
    m_index = selected;
    return true;
}

bool FileVersionList::move(int navigation) {
    const int last = count();
    if (last == 0)
        return false;
    switch (navigation) {
    case Previous:
        if (m_index <= 1)
            return false;
        m_index = std::min(m_index, last + 1) - 1;
        return true;
    case Next:
        if (m_index >= last)
            return false;
        ++m_index;
        return true;
    case First:
        m_index = 1;
        return true;
    case Last:
        m_index = last;
        return true;
    default:
        return false;
    }
}

QString FileVersionList::path() const {
    if (!m_list || m_index < 1 || m_index > count())
        return {};
    return JoinPath(m_list->Path(), m_list->ItemName(m_index));
}

QString FileVersionList::name() const {
    return DisplayName(FileNameOf(path()));
}

QIcon FileVersionList::icon() const {
    return m_list ? m_list->ItemSmallIcon(m_index) : QIcon();
}

std::array<QString, FileVersionList::kInfoCount> FileVersionList::read() const {
    const QString file = path();
    return file.isEmpty() ? std::array<QString, kInfoCount>{} : ReadFile(file);
}

std::array<QString, FileVersionList::kInfoCount> FileVersionList::ReadFile(const QString& path) {
    // ReadVersionInfo opens regular files only, so FIFOs and devices never block here.
    const VersionInfo info = ReadVersionInfo(PathToNative(path));
    std::array<QString, kInfoCount> values;
    if (info.hasStrings) {
        const VersionStrings& s = info.strings;
        values = {s.companyName,    s.fileDescription,  s.fileVersion, s.internalName,
                  s.legalCopyright, s.originalFilename, s.productName, s.productVersion};
    }
    if (info.hasFixed) {
        const VersionFixed& f = info.fixed;
        values[8] = f.fileVersion;
        values[9] = f.productVersion;
        values[10] = f.os;
        values[11] = f.fileType;
        values[12] = f.subtype;
        values[13] = f.attributes;
    }
    return values;
}

} // namespace vambrel
