// A small file system of its own for a test: a tmpfs mounted on a temporary folder, so that a
// disk that fills or a read-only medium can be met for real. Mounting needs the right to mount
// (root, as on the build machines); without it the test is skipped, with the reason.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <sys/mount.h>

namespace vambrel::test {

class SmallFileSystem {
public:
    explicit SmallFileSystem(qint64 bytes) {
        if (!m_dir.isValid())
            return;
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            options.constData()) == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    // Turns the mounted file system read-only (or back); false when the kernel refuses.
    bool setReadOnly(bool on) {
        return m_mounted && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs",
                                    MS_REMOUNT | (on ? MS_RDONLY : 0), nullptr) == 0;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace vambrel::test

// Skips the calling test when the file system could not be mounted.
#define VAMBREL_REQUIRE_MOUNT(fs)                                                                            \
    do {                                                                                                     \
        if (!(fs).mounted())                                                                                 \
            QSKIP("a tmpfs cannot be mounted here (the test needs the right to mount)");                     \
    } while (false)
