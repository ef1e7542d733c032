#include "JobCommand.h"

#include "ComparisonQuery.h"
#include "Database.h"
#include "NativeName.h"
#include "VersionListing.h"
#include "cAsync.h"
#include "cAsync2.h"
#include "cAsync3.h"
#include "mVersionInfo.h"

#include <QEventLoop>
#include <QFileInfo>
#include <algorithm>

namespace vambrel {

namespace {

const QString kCancelable[] = {QStringLiteral("ProgressMain"), QStringLiteral("ProgressFolder"),
                               QStringLiteral("ProgressFile")};

} // namespace

QString JobCommand::helpText() {
    return QStringLiteral(
        "Usage : qvtjob build FICHIER --spec DOSSIERS [--mask MOTIF] [--cancel-on ÉVÉNEMENT:N] [--quiet]\n"
        "        qvtjob check CATALOGUE [--paths] [--cancel-on ProgressFile:N] [--quiet]\n"
        "        qvtjob newfiles CATALOGUE LISTE --spec DOSSIERS [--mask MOTIF] [--cancel-on ÉVÉNEMENT:N]\n"
        "                        [--quiet]\n"
        "        qvtjob verinfo FICHIER...\n"
        "        qvtjob --help\n"
        "\n"
        "Exécute une tâche du serveur qvtSrv comme le fait Vambrel et affiche ses événements.\n"
        "\n"
        "Commandes :\n"
        "  build     crée le catalogue FICHIER, qui ne doit pas exister, à partir des dossiers de\n"
        "            départ ; affiche un événement par ligne.\n"
        "  check     compare chaque fichier du CATALOGUE au disque ; affiche un événement par ligne,\n"
        "            puis les positions (dans la requête de comparaison) des fichiers identiques\n"
        "            (colIdem), différents (colDistinct) et disparus (colNonExist).\n"
        "  newfiles  crée la LISTE, qui ne doit pas exister, des fichiers des dossiers de départ\n"
        "            que le CATALOGUE ne contient pas ; affiche un événement par ligne.\n"
        "  verinfo   affiche les informations de version de chaque FICHIER.\n"
        "\n"
        "Options :\n"
        "  --spec DOSSIERS          dossiers de départ séparés par « : » (obligatoire pour build et\n"
        "                           newfiles)\n"
        "  --mask MOTIF             motif des noms de fichiers (« *.* » par défaut)\n"
        "  --cancel-on ÉVÉNEMENT:N  demande l'annulation au N-ième événement ÉVÉNEMENT\n"
        "                           (ProgressMain, ProgressFolder ou ProgressFile ; pour check,\n"
        "                           ProgressFile seulement)\n"
        "  --paths                  check : au lieu des positions, une ligne par fichier classé :\n"
        "                           son code (0 identique, 1 différent, 2 disparu), une tabulation,\n"
        "                           son chemin complet (\\, tabulation et fin de ligne échappés en\n"
        "                           \\\\, \\t, \\n et \\r)\n"
        "  --quiet                  n'affiche que l'événement final (et le résultat de check)\n"
        "\n"
        "Codes de sortie de build : 0 catalogue terminé (Complete true), 1 échec (Complete false,\n"
        "cause sur la sortie d'erreur), 2 annulation (Cancelled), 64 usage incorrect.\n"
        "Codes de sortie de check et newfiles : les mêmes, 0 tâche terminée, 1 échec, 2 annulation.\n"
        "Codes de sortie de verinfo : 0, ou 1 si un fichier n'a pas pu être lu.\n"
        "\n"
        "Événements, un par ligne : ProgressMain \"DOSSIER\" (\\\" et \\\\ échappés), ProgressFolder N,\n"
        "ProgressFile N, ProgressState N, puis Complete true, Complete false ou Cancelled.\n"
        "\n"
        "Le serveur qvtSrv est celui qui est installé avec qvtjob (../libexec/vambrel/ à partir du\n"
        "dossier de qvtjob) ou, dans un dossier de compilation, celui qui est à côté de qvtjob ;\n"
        "jamais celui du dossier courant ou du PATH. La variable d'environnement VAMBREL_QVTSRV\n"
        "en désigne un autre (pour les essais).\n"
        "\n"
        "Voir aussi : man qvtjob, et l'aide de Vambrel (page « qvtjob »).\n");
}

QString JobCommand::quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (c.isSurrogate()) {
            out += QStringLiteral("\\u%1").arg(static_cast<unsigned>(u), 4, 16, QLatin1Char('0'));
        } else if (u == u'\\' || u == u'"') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u == u'\t') {
            out += QStringLiteral("\\t");
        } else if (u == u'\r') {
            out += QStringLiteral("\\r");
        } else if (u < 0x20 || u == 0x7F) {
            out += QStringLiteral("\\x%1").arg(static_cast<unsigned>(u), 2, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

void JobCommand::print(std::FILE* f, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f);
}

int JobCommand::usage(const QString& problem) {
    print(m_err, QStringLiteral("qvtjob : ") + problem + QStringLiteral("\nEssayez « qvtjob --help ».\n"));
    return Usage;
}

int JobCommand::run(const QStringList& args) {
    if (args.isEmpty())
        return usage(QStringLiteral("commande manquante."));
    const QString& command = args.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        print(m_out, helpText());
        return 0;
    }
    if (command == QLatin1String("build"))
        return build(args.mid(1));
    if (command == QLatin1String("check"))
        return check(args.mid(1));
    if (command == QLatin1String("newfiles"))
        return newfiles(args.mid(1));
    if (command == QLatin1String("verinfo"))
        return verinfo(args.mid(1));
    return usage(QStringLiteral("commande inconnue « %1 ».").arg(command));
}

struct JobCommand::Options {
    QStringList positional;
    QString spec;
    QString mask = QStringLiteral("*.*");
    bool haveSpec = false;
    bool quiet = false;
    bool paths = false;
    // --cancel-on: Cancel is set at the `cancelAt`-th event named `cancelEvent`.
    QString cancelEvent;
    qint64 cancelAt = 0;
    qint64 cancelSeen = 0;

    void applyCancel(const QString& name, bool& cancel) {
        if (cancelAt > 0 && name == cancelEvent && ++cancelSeen == cancelAt)
            cancel = true;
    }
    // Prints an event line unless --quiet.
    void line(JobCommand& c, const QString& text) const {
        if (!quiet)
            c.print(c.m_out, text + QLatin1Char('\n'));
    }
};

int JobCommand::parse(const QStringList& args, const QStringList& positional, const QStringList& allowed,
                      const QStringList& cancelable, Options& o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a.startsWith(QLatin1String("--")) && !allowed.contains(a))
            return usage(QStringLiteral("option inconnue « %1 ».").arg(a));
        if (a == QLatin1String("--spec") || a == QLatin1String("--mask") ||
            a == QLatin1String("--cancel-on")) {
            if (i + 1 >= args.size())
                return usage(QStringLiteral("l'option %1 demande une valeur.").arg(a));
            const QString v = args.at(++i);
            if (a == QLatin1String("--spec")) {
                o.spec = v;
                o.haveSpec = true;
            } else if (a == QLatin1String("--mask")) {
                o.mask = v;
            } else {
                const qsizetype colon = v.lastIndexOf(QLatin1Char(':'));
                bool ok = false;
                o.cancelEvent = v.left(colon);
                o.cancelAt = colon > 0 ? v.mid(colon + 1).toLongLong(&ok) : 0;
                if (!ok || o.cancelAt < 1 || !cancelable.contains(o.cancelEvent))
                    return usage(QStringLiteral("--cancel-on attend ÉVÉNEMENT:N, avec %1 et N à partir de 1 "
                                                "(reçu « %2 »).")
                                     .arg(cancelable.size() == 1
                                              ? cancelable.first()
                                              : cancelable.mid(0, cancelable.size() - 1).join(u", ") +
                                                    QStringLiteral(" ou ") + cancelable.last(),
                                          v));
            }
        } else if (a == QLatin1String("--quiet")) {
            o.quiet = true;
        } else if (a == QLatin1String("--paths")) {
            o.paths = true;
        } else if (o.positional.size() < positional.size()) {
            o.positional << a;
        } else {
            return usage(QStringLiteral("argument en trop « %1 ».").arg(a));
        }
    }
    if (o.positional.size() < positional.size())
        return usage(positional.at(o.positional.size()));
    if (allowed.contains(QStringLiteral("--spec")) && !o.haveSpec)
        return usage(QStringLiteral("l'option --spec manque."));
    return 0;
}

int JobCommand::start(client::JobProxy& job, QEventLoop& loop, const int& status) {
    if (const auto refused = job.Start()) {
        print(m_err, QStringLiteral("qvtjob : %1 (%2, erreur %3)\n")
                         .arg(refused->description, refused->source)
                         .arg(refused->number));
        return Failed;
    }
    loop.exec();
    std::fflush(m_out);
    return status;
}

template <typename Job> int JobCommand::startWithCancel(Job& job, QEventLoop& loop, int& status) {
    QObject::connect(
        &job, &Job::Cancelled, &loop,
        [&] {
            print(m_out, QStringLiteral("Cancelled\n"));
            status = Cancelled;
            loop.quit();
        },
        Qt::DirectConnection);
    return start(job, loop, status);
}

int JobCommand::completed(client::JobProxy& job, bool success) {
    print(m_out, success ? QStringLiteral("Complete true\n") : QStringLiteral("Complete false\n"));
    if (!success)
        print(m_err, QStringLiteral("qvtjob : ") + job.errorText() + QLatin1Char('\n'));
    return success ? Completed : Failed;
}

int JobCommand::build(const QStringList& args) {
    Options o;
    if (parse(args, {QStringLiteral("le nom du catalogue à créer manque.")},
              {QStringLiteral("--spec"), QStringLiteral("--mask"), QStringLiteral("--cancel-on"),
               QStringLiteral("--quiet")},
              {kCancelable[0], kCancelable[1], kCancelable[2]}, o) != 0)
        return Usage;

    client::cAsync job;
    job.setFileName(o.positional.at(0));
    job.setSpec(o.spec);
    job.setMask(o.mask);
    QEventLoop loop;
    int status = Failed;
    constexpr auto direct = Qt::DirectConnection;
    QObject::connect(
        &job, &client::cAsync::ProgressMain, &loop,
        [&](const QString& s, bool& cancel) {
            o.line(*this, QStringLiteral("ProgressMain ") + quoted(s));
            o.applyCancel(kCancelable[0], cancel);
        },
        direct);
    QObject::connect(
        &job, &client::cAsync::ProgressFolder, &loop,
        [&](qint32 n, bool& cancel) {
            o.line(*this, QStringLiteral("ProgressFolder ") + QString::number(n));
            o.applyCancel(kCancelable[1], cancel);
        },
        direct);
    QObject::connect(
        &job, &client::cAsync::ProgressFile, &loop,
        [&](qint32 n, bool& cancel) {
            o.line(*this, QStringLiteral("ProgressFile ") + QString::number(n));
            o.applyCancel(kCancelable[2], cancel);
        },
        direct);
    QObject::connect(
        &job, &client::cAsync::ProgressState, &loop,
        [&](qint32 n) { o.line(*this, QStringLiteral("ProgressState ") + QString::number(n)); }, direct);
    QObject::connect(
        &job, &client::cAsync::Complete, &loop,
        [&](bool& success) {
            status = completed(job, success);
            loop.quit();
        },
        direct);
    return startWithCancel(job, loop, status);
}

int JobCommand::check(const QStringList& args) {
    Options o;
    if (parse(args, {QStringLiteral("le nom du catalogue à vérifier manque.")},
              {QStringLiteral("--paths"), QStringLiteral("--cancel-on"), QStringLiteral("--quiet")},
              {kCancelable[2]}, o) != 0)
        return Usage;

    client::cAsync2 job;
    job.setFileName(o.positional.at(0));
    QEventLoop loop;
    int status = Failed;
    constexpr auto direct = Qt::DirectConnection;
    QObject::connect(
        &job, &client::cAsync2::ProgressFile, &loop,
        [&](quint8 index, bool& cancel) {
            o.line(*this, QStringLiteral("ProgressFile ") + QString::number(index));
            o.applyCancel(kCancelable[2], cancel);
        },
        direct);
    QObject::connect(
        &job, &client::cAsync2::ProgressState, &loop,
        [&](qint32 n) { o.line(*this, QStringLiteral("ProgressState ") + QString::number(n)); }, direct);
    QObject::connect(
        &job, &client::cAsync2::Complete, &loop,
        [&](bool& success, QList<qint32>& idem, QList<qint32>& distinct, QList<qint32>& gone) {
            status = completed(job, success);
            const QList<qint32> lists[3] = {idem, distinct, gone};
            if (o.paths) {
                if (!printPaths(o.positional.at(0), lists))
                    status = Failed;
            } else {
                static const char* const names[3] = {"colIdem", "colDistinct", "colNonExist"};
                for (int i = 0; i < 3; ++i) {
                    QString text = QLatin1String(names[i]);
                    for (const qint32 pos : lists[i])
                        text += QLatin1Char(' ') + QString::number(pos);
                    print(m_out, text + QLatin1Char('\n'));
                }
            }
            loop.quit();
        },
        direct);
    return startWithCancel(job, loop, status);
}

bool JobCommand::printPaths(const QString& catalogue, const QList<qint32> (&lists)[3]) {
    // Every sorted row, in query order, with the category it went to.
    QList<std::pair<qint32, int>> sorted;
    for (int code = 0; code < 3; ++code)
        for (const qint32 pos : lists[code])
            sorted.append({pos, code});
    if (sorted.isEmpty())
        return true;
    std::sort(sorted.begin(), sorted.end());
    Database db;
    if (!db.open(catalogue, OpenMode::ReadOnly)) {
        print(m_err, QStringLiteral("qvtjob : ") + db.lastError() + QLatin1Char('\n'));
        return false;
    }
    auto rows = OpenComparisonQuery(db);
    if (!rows) {
        print(m_err, QStringLiteral("qvtjob : ") + rows.error() + QLatin1Char('\n'));
        return false;
    }
    QByteArray out;
    for (const auto& [pos, code] : sorted) {
        if (!rows->setAbsolutePosition(pos)) {
            print(m_err,
                  QStringLiteral("qvtjob : la position %1 n'existe pas dans le catalogue.\n").arg(pos));
            return false;
        }
        out += char('0' + code);
        out += '\t';
        // The path's own bytes, so that a name that is not UTF-8 comes out as it is on disk;
        // only what would break the line is escaped.
        for (const char c : PathToNative(ComparisonPath(rows.value()))) {
            switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
            }
        }
        out += '\n';
        if (out.size() > (1 << 16)) {
            std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), m_out);
            out.clear();
        }
    }
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), m_out);
    return true;
}

int JobCommand::newfiles(const QStringList& args) {
    Options o;
    if (parse(args,
              {QStringLiteral("le nom du catalogue comparé manque."),
               QStringLiteral("le nom de la liste des nouveaux fichiers à créer manque.")},
              {QStringLiteral("--spec"), QStringLiteral("--mask"), QStringLiteral("--cancel-on"),
               QStringLiteral("--quiet")},
              {kCancelable[0], kCancelable[1], kCancelable[2]}, o) != 0)
        return Usage;

    client::cAsync3 job;
    job.setFileRec(o.positional.at(0));
    job.setFileName(o.positional.at(1));
    job.setSpec(o.spec);
    job.setMask(o.mask);
    QEventLoop loop;
    int status = Failed;
    constexpr auto direct = Qt::DirectConnection;
    for (int i = 0; i < 3; ++i) {
        const QString name = kCancelable[i];
        auto handler = [&o, this, name](qint32 n, bool& cancel) {
            o.line(*this, name + QLatin1Char(' ') + QString::number(n));
            o.applyCancel(name, cancel);
        };
        if (i == 0)
            QObject::connect(&job, &client::cAsync3::ProgressMain, &loop, handler, direct);
        else if (i == 1)
            QObject::connect(&job, &client::cAsync3::ProgressFolder, &loop, handler, direct);
        else
            QObject::connect(&job, &client::cAsync3::ProgressFile, &loop, handler, direct);
    }
    QObject::connect(
        &job, &client::cAsync3::Complete, &loop,
        [&](bool& success) {
            status = completed(job, success);
            loop.quit();
        },
        direct);
    return startWithCancel(job, loop, status);
}

int JobCommand::verinfo(const QStringList& args) {
    if (args.isEmpty())
        return usage(QStringLiteral("verinfo attend au moins un fichier."));
    int status = 0;
    bool first = true;
    for (const QString& file : args) {
        const QFileInfo fi(file);
        if (!fi.isFile() || !fi.isReadable()) {
            print(m_err, QStringLiteral("qvtjob : « %1 » n'est pas un fichier lisible.\n").arg(file));
            status = 1;
            continue;
        }
        if (!first)
            print(m_out, QStringLiteral("\n"));
        first = false;
        print(m_out, VersionListing::render(file, ReadVersionInfo(file)));
    }
    std::fflush(m_out);
    return status;
}

} // namespace vambrel
