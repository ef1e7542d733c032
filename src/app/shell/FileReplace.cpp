#include "FileReplace.h"

#include "FileDescriptor.h"
#include "NativeName.h"
#include "PathSyntax.h"
#include "SystemCalls.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vambrel {

namespace {

bool fail(QString* error, int err, const QString& what) {
    if (error)
        *error = what + QStringLiteral(" : ") + SystemErrorText(err);
    return false;
}

bool copyAll(int in, int out) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = sys::read(in, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = sys::write(out, buffer + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += put;
        }
    }
}

} // namespace

QString SystemErrorText(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case ENOENT:
        return QStringLiteral("fichier ou dossier introuvable");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EISDIR:
        return QStringLiteral("c'est un dossier");
    case EROFS:
        return QStringLiteral("système de fichiers en lecture seule");
    case ENOSPC:
        return QStringLiteral("plus de place sur le disque");
    case EDQUOT:
        return QStringLiteral("quota de disque dépassé");
    case ENAMETOOLONG:
        return QStringLiteral("nom trop long");
    case EBUSY:
        return QStringLiteral("fichier occupé");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie");
    default:
        return QStringLiteral("erreur système %1 (%2)")
            .arg(err)
            .arg(QString::fromLocal8Bit(std::strerror(err)));
    }
}

bool ReplaceFile(const QString& from, const QString& to, QString* error) {
    const QByteArray source = PathToNative(from);
    const QByteArray target = PathToNative(to);
    if (sys::rename(source.constData(), target.constData()) == 0)
        return true;
    if (errno != EXDEV)
        return fail(error, errno, QStringLiteral("Impossible de placer le fichier"));

    FileDescriptor in(sys::open(source.constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return fail(error, errno, QStringLiteral("Impossible de lire le fichier créé"));
    QByteArray pattern = PathToNative(JoinPath(FolderOf(to), QStringLiteral(".vambrel-XXXXXX")));
    FileDescriptor out(sys::mkostemp(pattern.data(), O_CLOEXEC));
    if (out.get() < 0)
        return fail(error, errno, QStringLiteral("Impossible d'écrire dans le dossier"));
    // The copy never stays behind, whatever happens below.
    struct Unlink {
        const QByteArray& path;
        bool keep = false;
        ~Unlink() {
            if (!keep)
                sys::unlink(path.constData());
        }
    } cleanup{pattern};
    if (!copyAll(in.get(), out.get()))
        return fail(error, errno, QStringLiteral("Impossible de copier le fichier"));
    struct stat st {};
    if (sys::fstat(in.get(), &st) == 0)
        ::fchmod(out.get(), st.st_mode & 0777);
    if (sys::fsync(out.get()) != 0 || !out.close())
        return fail(error, errno, QStringLiteral("Impossible de copier le fichier"));
    if (sys::rename(pattern.constData(), target.constData()) != 0)
        return fail(error, errno, QStringLiteral("Impossible de placer le fichier"));
    cleanup.keep = true;
    sys::unlink(source.constData());
    return true;
}

} // namespace vambrel
