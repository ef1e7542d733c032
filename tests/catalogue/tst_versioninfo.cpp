#include "mVersionInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

using namespace vambrel;

namespace {

QString fixture(const QString& name) {
    return QStringLiteral(VAMBREL_TEST_DATA "/version/") + name;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QStringList stringList(const VersionStrings& s) {
    return {s.companyName,    s.fileDescription,  s.fileVersion, s.internalName,
            s.legalCopyright, s.originalFilename, s.productName, s.productVersion};
}

QStringList fixedList(const VersionFixed& f) {
    return {f.structVersion, f.fileVersion, f.productVersion, f.attributes, f.os, f.fileType, f.subtype};
}

const QStringList kNoStrings(8);
const QStringList kNoFixed(7);

// The long copyright of pe64_unusual.rc: twelve numbered sentences, 300 characters.
QString longCopyright() {
    QString s;
    for (int i = 1; i <= 12; ++i)
        s += QStringLiteral("Ligne %1 du texte légal. ").arg(i, 2, 10, QLatin1Char('0'));
    return s;
}

const QString kDebug = QStringLiteral("Fonctions de débogage implémentées");
const QString kDevelopment = QStringLiteral("Version de développement");
const QString kPatched = QStringLiteral("Fichier modifié");
const QString kPrivate = QStringLiteral("Fichier privé non diffusable");
const QString kDynamic = QStringLiteral("Informations de version créées dynamiquement");
const QString kSpecial = QStringLiteral("Variante spéciale");
const QString kDos16 = QStringLiteral("DOS-Windows 16 bits");
const QString kDos32 = QStringLiteral("DOS-Windows 32 bits");
const QString kOs2 = QStringLiteral("OS/2-Presentation Manager 16 bits");
const QString kOs2Pm32 = QStringLiteral("OS/2 16 bits Presentation Manager 32 bits");
const QString kWin32 = QStringLiteral("Windows 32 bits");
const QString kUnknown = QStringLiteral("Inconnu");
const QString kDriver = QStringLiteral("Gestionnaire de périphérique");
const QString kFont = QStringLiteral("Police de caractères");

const QStringList kFullStrings = {QStringLiteral("Société Quorvat"), QStringLiteral("Catalogueur de disques"),
                                  QStringLiteral("5.0.2195.1"),      QStringLiteral("vambrel"),
                                  QStringLiteral("© 2026 Quorvat"),  QStringLiteral("vambrel.exe"),
                                  QStringLiteral("Vambrel"),         QStringLiteral("5.0.2195.1")};
const QStringList kFullFixed = {QStringLiteral("1.0"),
                                QStringLiteral("5.0.2195.1"),
                                QStringLiteral("5.0.2195.1"),
                                kDebug + QStringLiteral(" - ") + kDevelopment,
                                kWin32,
                                QStringLiteral("Application"),
                                QString()};

// A block of a 32-bit version resource, serialised the way resource compilers lay it out.
struct TestBlock {
    QString key;
    QByteArray value;
    quint16 type = 0;
    int valueLength = -1; // declared wValueLength; -1: the true length
    QList<TestBlock> children;
};

void put16(QByteArray& a, int at, int v) {
    a[at] = char(v & 0xFF);
    a[at + 1] = char((v >> 8) & 0xFF);
}

void pad4(QByteArray& a) {
    while (a.size() % 4)
        a.append('\0');
}

QByteArray serialise(const TestBlock& b) {
    QByteArray out(6, '\0');
    for (QChar c : b.key) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    out.append(2, '\0');
    pad4(out);
    out.append(b.value);
    for (qsizetype i = 0; i < b.children.size(); ++i) {
        pad4(out);
        out.append(serialise(b.children[i]));
    }
    put16(out, 0, int(out.size()));
    put16(out, 2,
          b.valueLength >= 0 ? b.valueLength : int(b.type == 1 ? b.value.size() / 2 : b.value.size()));
    put16(out, 4, b.type);
    return out;
}

QByteArray utf16(const QString& s, bool nul = true) {
    QByteArray out;
    for (QChar c : s) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    if (nul)
        out.append(2, '\0');
    return out;
}

TestBlock text(const QString& key, const QString& value) {
    return {key, utf16(value), 1, -1, {}};
}

QByteArray fixedRecord(quint32 signature = 0xFEEF04BD) {
    QByteArray out(52, '\0');
    const std::array<quint32, 13> f = {signature, 0x10000, 0x10002, 0x30004, 0x10002, 0x30004, 0x3F,
                                       0,         0x40004, 1,       0,       0,       0};
    for (int i = 0; i < 13; ++i) {
        put16(out, i * 4, int(f[i] & 0xFFFF));
        put16(out, i * 4 + 2, int(f[i] >> 16));
    }
    return out;
}

TestBlock translation(int language, int codePage) {
    QByteArray v(4, '\0');
    put16(v, 0, language);
    put16(v, 2, codePage);
    return {QStringLiteral("VarFileInfo"), {}, 1, -1, {{QStringLiteral("Translation"), v, 0, -1, {}}}};
}

TestBlock root(QList<TestBlock> children, QByteArray fixed = fixedRecord()) {
    return {QStringLiteral("VS_VERSION_INFO"), fixed, 0, -1, children};
}

TestBlock stringTable(const QString& key, QList<TestBlock> strings) {
    return {QStringLiteral("StringFileInfo"), {}, 1, -1, {{key, {}, 1, -1, strings}}};
}

} // namespace

class TestVersionInfo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fixtures_data();
    void fixtures();
    void nonImages_data();
    void nonImages();
    void knownSize();
    void nativePath();
    void listedFiles_data();
    void listedFiles();
    void prefixes_data();
    void prefixes();
    void byteChanges();
    void resources_data();
    void resources();
    void render_data();
    void render();
};

void TestVersionInfo::fixtures_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("hasStrings");
    QTest::addColumn<QStringList>("strings");
    QTest::addColumn<bool>("hasFixed");
    QTest::addColumn<QStringList>("fixed");

    QTest::newRow("PE32, first of two translations")
        << "pe32_full.exe" << true << kFullStrings << true << kFullFixed;
    QTest::newRow("PE32+, unusual order and case")
        << "pe64_unusual.dll" << true
        << QStringList{QStringLiteral("Quorvat"),
                       QStringLiteral("Essai 64 bits"),
                       QStringLiteral("40000.32768.65535.0"),
                       QString(),
                       longCopyright(),
                       QStringLiteral("essai64.dll"),
                       QStringLiteral("Bibliothèque d'essai"),
                       QStringLiteral("1.32767.32768.2")}
        << true
        << QStringList{QStringLiteral("1.0"),
                       QStringLiteral("-25536.-32768.-1.0"),
                       QStringLiteral("1.32767.-32768.2"),
                       kPatched + QStringLiteral(" - ") + kPrivate + QStringLiteral(" - ") + kDynamic +
                           QStringLiteral(" - ") + kSpecial,
                       kDos32,
                       QStringLiteral("Bibliothèque de liens dynamiques"),
                       QString()};
    QTest::newRow("strings under another translation") << "pe32_othertrans.dll" << true << kNoStrings << true
                                                       << QStringList{QStringLiteral("1.0"),
                                                                      QStringLiteral("1.0.0.0"),
                                                                      QStringLiteral("1.0.0.0"),
                                                                      kDynamic,
                                                                      kOs2,
                                                                      kDriver,
                                                                      QString()};
    QTest::newRow("fixed information only") << "pe32_fixedonly.exe" << false << kNoStrings << true
                                            << QStringList{QStringLiteral("1.0"),
                                                           QStringLiteral("2.1.0.7"),
                                                           QStringLiteral("2.1.0.0"),
                                                           kSpecial,
                                                           kOs2Pm32,
                                                           kFont,
                                                           QStringLiteral("Police vectorielle")};
    QTest::newRow("translation without strings, mask 0")
        << "pe64_varonly.dll" << true << kNoStrings << true
        << QStringList{QStringLiteral("1.0"),
                       QStringLiteral("0.0.0.0"),
                       QStringLiteral("0.0.0.1"),
                       kDebug + QStringLiteral(" - ") + kPrivate,
                       kUnknown,
                       QStringLiteral("Bibliothèque de liens statiques"),
                       QString()};
    QTest::newRow("PE without version resource")
        << "pe32_noversion.exe" << false << kNoStrings << false << kNoFixed;

    // pe32_variant.rc built per row by make-version-fixtures.sh: the OS rows and the flag bits go
    // round in step with the type rows.
    const QStringList oses = {kDos16, kDos32, kOs2, kOs2Pm32, kWin32, kUnknown};
    const QStringList flags = {kDebug, kDevelopment, kPatched, kPrivate, kDynamic, kSpecial};
    struct Variant {
        const char* file;
        QString type;
        QString subtype;
    };
    const QList<Variant> variants = {
        {"pe32_t0_s0.dll", kUnknown, {}},
        {"pe32_t3_s0.dll", kDriver, kUnknown},
        {"pe32_t3_s1.dll", kDriver, QStringLiteral("Gestionnaire d'imprimante")},
        {"pe32_t3_s2.dll", kDriver, QStringLiteral("Gestionnaire de clavier")},
        {"pe32_t3_s3.dll", kDriver, QStringLiteral("Gestionnaire de langue")},
        {"pe32_t3_s4.dll", kDriver, QStringLiteral("Gestionnaire de carte graphique")},
        {"pe32_t3_s5.dll", kDriver, QStringLiteral("Gestionnaire de souris")},
        {"pe32_t3_s6.dll", kDriver, QStringLiteral("Gestionnaire de réseau")},
        {"pe32_t3_s7.dll", kDriver, QStringLiteral("Gestionnaire système")},
        {"pe32_t3_s8.dll", kDriver, QStringLiteral("Gestionnaire installable")},
        {"pe32_t3_s9.dll", kDriver, QStringLiteral("Gestionnaire de sons")},
        {"pe32_t3_s10.dll", kDriver, QStringLiteral("Gestionnaire de communication")},
        {"pe32_t4_s1.dll", kFont, QStringLiteral("Police en mode point")},
        {"pe32_t4_s3.dll", kFont, QStringLiteral("Police TrueType")},
        {"pe32_t4_s7.dll", kFont, {}},
        {"pe32_t5_s0.dll", QStringLiteral("Gestionnaire virtuel"), {}},
        {"pe32_t6_s0.dll", kUnknown, {}},
    };
    for (qsizetype i = 0; i < variants.size(); ++i) {
        const Variant& v = variants[i];
        QTest::newRow(v.file) << QString::fromLatin1(v.file) << true << kNoStrings << true
                              << QStringList{QStringLiteral("1.0"),
                                             QStringLiteral("1.2.3.4"),
                                             QStringLiteral("5.6.7.8"),
                                             flags[i % 6],
                                             oses[i % 6],
                                             v.type,
                                             v.subtype};
    }

    QTest::newRow("NE, code page 1252, embedded NUL")
        << "ne_full.exe" << true
        << QStringList{QStringLiteral("Quorvat"),
                       QStringLiteral("Bibliothèque 16 bits"),
                       QStringLiteral("3.10.103"),
                       QStringLiteral("ANCIEN"),
                       QStringLiteral("© 1992 Quorvat – 100 € – “tous droits”"),
                       QStringLiteral("ANCIEN.EXE"),
                       QStringLiteral("Système Œuvre"),
                       QStringLiteral("3.10")}
        << true
        << QStringList{QStringLiteral("1.0"),
                       QStringLiteral("3.10.0.103"),
                       QStringLiteral("3.10.-25536.0"),
                       kDebug + QStringLiteral(" - ") + kSpecial,
                       kDos16,
                       QStringLiteral("Bibliothèque de liens dynamiques"),
                       QString()};
    QTest::newRow("NE without version resource")
        << "ne_noversion.exe" << false << kNoStrings << false << kNoFixed;
    QTest::newRow("NE, fixed only, unpadded end")
        << "ne_fixedonly.exe" << false << kNoStrings << true
        << QStringList{QStringLiteral("1.0"),
                       QStringLiteral("-1.32767.-32768.1"),
                       QStringLiteral("0.0.0.0"),
                       QStringList{kDebug, kDevelopment, kPatched, kPrivate, kDynamic, kSpecial}.join(
                           QStringLiteral(" - ")),
                       kDos16,
                       kDriver,
                       QStringLiteral("Gestionnaire de communication")};

    for (const char* bad : {"bad_cut64.exe", "bad_cutheaders.exe", "bad_cutresource.exe", "bad_lfanew.exe",
                            "bad_rootlength.exe", "bad_childlength.exe", "bad_cuthalf.dll", "bad_necut.exe"})
        QTest::newRow(bad) << QString::fromLatin1(bad) << false << kNoStrings << false << kNoFixed;
    QTest::newRow("bad fixed signature") << "bad_signature.exe" << true << kFullStrings << false << kNoFixed;
    QTest::newRow("trailing padding cut")
        << "odd_cutpadding.exe" << true << kFullStrings << true << kFullFixed;
    QTest::newRow("root ends after the fixed record")
        << "odd_rootshort.exe" << false << kNoStrings << true << kFullFixed;
    QTest::newRow("zero length in the table not read")
        << "odd_zerolength.exe" << true << kFullStrings << true << kFullFixed;
}

void TestVersionInfo::fixtures() {
    QFETCH(QString, file);
    QFETCH(bool, hasStrings);
    QFETCH(QStringList, strings);
    QFETCH(bool, hasFixed);
    QFETCH(QStringList, fixed);
    const QString path = fixture(file);
    QVERIFY2(QFile::exists(path), qPrintable(path));

    VersionStrings s;
    s.companyName = QStringLiteral("stale");
    QCOMPARE(ReadStringValues(path, s), hasStrings);
    QCOMPARE(stringList(s), strings);

    VersionFixed f;
    f.os = QStringLiteral("stale");
    QCOMPARE(ReadFixedInfo(path, f), hasFixed);
    QCOMPARE(fixedList(f), fixed);

    // One read serves both halves, from a path, with a known size or from memory alike.
    const QByteArray bytes = readAll(path);
    const QList<VersionInfo> all = {ReadVersionInfo(path), ReadVersionInfo(path, bytes.size()),
                                    ParseVersionImage(bytes.constData(), std::size_t(bytes.size()))};
    for (const VersionInfo& info : all) {
        QCOMPARE(info.hasStrings, hasStrings);
        QCOMPARE(stringList(info.strings), strings);
        QCOMPARE(info.hasFixed, hasFixed);
        QCOMPARE(fixedList(info.fixed), fixed);
    }
}

void TestVersionInfo::nonImages_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QByteArray mzOnly(512, '\0');
    mzOnly[0] = 'M';
    mzOnly[1] = 'Z';
    QByteArray mzFarHeader = mzOnly;
    mzFarHeader[0x3C] = char(0x00);
    mzFarHeader[0x3D] = char(0x10); // e_lfanew 4096, past the end
    QByteArray mzOtherHeader = mzOnly;
    mzOtherHeader[0x3C] = char(0x80);
    mzOtherHeader[0x80] = 'L';
    mzOtherHeader[0x81] = 'E';
    QTest::newRow("text") << "notes.txt" << QByteArray("Bonjour\n").repeated(50);
    QTest::newRow("empty") << "vide.exe" << QByteArray();
    QTest::newRow("text named .exe") << "texte.exe" << QByteArray("MZ n'est pas un en-tête\n").repeated(20);
    QTest::newRow("MZ, header offset 0") << "zero.exe" << mzOnly;
    QTest::newRow("MZ, header past the end") << "loin.exe" << mzFarHeader;
    QTest::newRow("MZ, LE header") << "vxd.386" << mzOtherHeader;
    QTest::newRow("directory") << "dossier.exe" << QByteArray();
    QTest::newRow("missing") << "absent.exe" << QByteArray();
    QTest::newRow("fifo") << "tube.exe" << QByteArray();
}

void TestVersionInfo::nonImages() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    const QString row = QString::fromLatin1(QTest::currentDataTag());
    if (row == u"directory")
        QVERIFY(QDir(dir.path()).mkdir(name));
    else if (row == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); // must not block the reader
    else if (row != u"missing")
        QVERIFY(writeFile(path, content));

    VersionStrings s;
    s.productName = QStringLiteral("stale");
    QVERIFY(!ReadStringValues(path, s));
    QCOMPARE(s, VersionStrings());
    VersionFixed f;
    f.fileType = QStringLiteral("stale");
    QVERIFY(!ReadFixedInfo(path, f));
    QCOMPARE(f, VersionFixed());
    const VersionInfo info = ReadVersionInfo(path);
    QVERIFY(!info.hasStrings && !info.hasFixed);
    if (!content.isEmpty()) {
        const VersionInfo mem = ParseVersionImage(content.constData(), std::size_t(content.size()));
        QVERIFY(!mem.hasStrings && !mem.hasFixed);
    }
}

void TestVersionInfo::knownSize() {
    // A known size below the smallest image decides alone: a real image is then not even read.
    const QString path = fixture(QStringLiteral("pe32_full.exe"));
    for (qint64 size : {qint64(0), qint64(1), qint64(kVersionMinImageSize - 1)}) {
        const VersionInfo info = ReadVersionInfo(path, size);
        QVERIFY(!info.hasStrings && !info.hasFixed);
    }
    QVERIFY(ReadVersionInfo(path, qint64(kVersionMinImageSize)).hasFixed);
    QVERIFY(ReadVersionInfo(path, -1).hasFixed);

    // The bound is sound: no prefix shorter than it is an image for the reader.
    const QByteArray ne = readAll(fixture(QStringLiteral("ne_fixedonly.exe")));
    QVERIFY(ne.size() > qsizetype(kVersionMinImageSize));
    for (std::size_t n = 0; n < kVersionMinImageSize; ++n) {
        QByteArray prefix = ne.left(qsizetype(n));
        const VersionInfo info = ParseVersionImage(prefix.constData(), n);
        QVERIFY(!info.hasFixed);
    }
}

void TestVersionInfo::nativePath() {
    // A file name that is not valid UTF-8 is reached through its bytes.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray native = QFile::encodeName(dir.path()) + "/ancien\xe9.exe";
    const QByteArray image = readAll(fixture(QStringLiteral("ne_full.exe")));
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    QVERIFY(fd >= 0);
    const bool written = ::write(fd, image.constData(), std::size_t(image.size())) == image.size();
    ::close(fd);
    QVERIFY(written);
    const VersionInfo info = ReadVersionInfo(native);
    QVERIFY(info.hasStrings);
    QCOMPARE(info.strings.companyName, QStringLiteral("Quorvat"));
    // An embedded NUL never names another file.
    QVERIFY(!ReadVersionInfo(native + QByteArray("\0x", 2)).hasFixed);
    QVERIFY(!ReadVersionInfo(QByteArray()).hasFixed);
    ::unlink(native.constData()); // Qt cannot name it to remove it
}

void TestVersionInfo::prefixes_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("PE32") << "pe32_full.exe";
    QTest::newRow("PE32+") << "pe64_unusual.dll";
    QTest::newRow("NE") << "ne_full.exe";
}

void TestVersionInfo::prefixes() {
    // Every truncation of a good image reads either nothing or the same values, never past its end.
    QFETCH(QString, file);
    const QByteArray bytes = readAll(fixture(file));
    QVERIFY(!bytes.isEmpty());
    const VersionInfo whole = ParseVersionImage(bytes.constData(), std::size_t(bytes.size()));
    QVERIFY(whole.hasStrings && whole.hasFixed);
    int readable = 0;
    for (qsizetype n = 0; n <= bytes.size(); ++n) {
        // A copy of exactly n bytes, so that the sanitizers catch any read past it.
        const std::unique_ptr<char[]> copy(new char[std::size_t(n) + 1]);
        std::memcpy(copy.get(), bytes.constData(), std::size_t(n));
        const VersionInfo info = ParseVersionImage(copy.get(), std::size_t(n));
        if (info.hasStrings)
            QCOMPARE(info.strings, whole.strings);
        else
            QCOMPARE(info.strings, VersionStrings());
        if (info.hasFixed)
            QCOMPARE(info.fixed, whole.fixed);
        else
            QCOMPARE(info.fixed, VersionFixed());
        readable += info.hasFixed ? 1 : 0;
    }
    QVERIFY(readable >= 1);
}

void TestVersionInfo::byteChanges() {
    // Every byte of a small image set to 0 or 0xFF: never a crash, never a half-filled record.
    const QByteArray bytes = readAll(fixture(QStringLiteral("ne_full.exe")));
    QVERIFY(!bytes.isEmpty());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        for (char v : {char(0), char(0xFF)}) {
            QByteArray copy = bytes;
            copy[i] = v;
            const VersionInfo info = ParseVersionImage(copy.constData(), std::size_t(copy.size()));
            if (!info.hasStrings)
                QCOMPARE(info.strings, VersionStrings());
            if (!info.hasFixed)
                QCOMPARE(info.fixed, VersionFixed());
        }
    }
}

void TestVersionInfo::resources_data() {
    QTest::addColumn<QByteArray>("resource");
    QTest::addColumn<bool>("hasStrings");
    QTest::addColumn<QString>("company");
    QTest::addColumn<bool>("hasFixed");

    const QString key = QStringLiteral("040904B0");
    const TestBlock good =
        root({stringTable(key, {text(QStringLiteral("CompanyName"), QStringLiteral("Quorvat"))}),
              translation(0x409, 0x4B0)});
    QTest::newRow("well formed") << serialise(good) << true << "Quorvat" << true;

    TestBlock bytesCounted = good;
    bytesCounted.children[0].children[0].children[0].valueLength = 16; // bytes, not characters
    QTest::newRow("value length in bytes") << serialise(bytesCounted) << true << "Quorvat" << true;

    TestBlock noLength = good;
    noLength.children[0].children[0].children[0] = {QStringLiteral("CompanyName"), {}, 1, 0, {}};
    QTest::newRow("empty value") << serialise(noLength) << true << "" << true;

    TestBlock withNul = good;
    withNul.children[0].children[0].children[0] =
        text(QStringLiteral("CompanyName"), QStringLiteral("Quor") + QChar(0) + QStringLiteral("vat"));
    QTest::newRow("embedded NUL") << serialise(withNul) << true << "Quor" << true;

    TestBlock unterminated = good;
    unterminated.children[0].children[0].children[0] = {
        QStringLiteral("CompanyName"), utf16(QStringLiteral("Quorvat"), false), 1, 7, {}};
    QTest::newRow("value without NUL ends with its block")
        << serialise(unterminated) << true << "Quorvat" << true;

    TestBlock shortTranslation = good;
    shortTranslation.children[1].children[0].value.truncate(2);
    QTest::newRow("translation of 2 bytes") << serialise(shortTranslation) << false << "" << true;

    QTest::newRow("fixed record of 51 bytes")
        << serialise(root(good.children, fixedRecord().left(51))) << true << "Quorvat" << false;
    QTest::newRow("no fixed record") << serialise(root(good.children, {})) << true << "Quorvat" << false;

    // Nesting: eight levels with the root are accepted; one more is damage.
    auto nested = [&](int levels) {
        TestBlock inner{QStringLiteral("x"), {}, 1, -1, {}};
        for (int i = 1; i < levels; ++i)
            inner = TestBlock{QStringLiteral("x"), {}, 1, -1, {inner}};
        TestBlock r = good;
        r.children.append(inner);
        return serialise(r);
    };
    QTest::newRow("depth 8") << nested(7) << true << "Quorvat" << true;
    QTest::newRow("depth 9") << nested(8) << false << "" << false;

    TestBlock many = good;
    TestBlock wide{QStringLiteral("x"), {}, 1, -1, {}};
    for (int i = 0; i < 4096; ++i)
        wide.children.append(TestBlock{QString(), {}, 1, -1, {}});
    many.children.append(wide);
    QTest::newRow("more than 4096 blocks") << serialise(many) << false << "" << false;

    QByteArray overrun = serialise(good);
    const qsizetype company = overrun.indexOf(utf16(QStringLiteral("CompanyName"), false));
    put16(overrun, int(company - 6), 0x200);
    QTest::newRow("child past its parent") << overrun << false << "" << false;

    QByteArray keyless = serialise(root({}));
    put16(keyless, 0, 6 + 10); // the block ends inside its key
    QTest::newRow("key without NUL") << keyless << false << "" << false;

    QByteArray tail = serialise(good);
    tail.append(QByteArray("\x04\x00\x00\x00", 4)); // bytes after the root are not part of it
    QTest::newRow("bytes after the root") << tail << true << "Quorvat" << true;

    QTest::newRow("too short") << QByteArray("\x06\x00\x00", 3) << false << "" << false;
}

void TestVersionInfo::resources() {
    QFETCH(QByteArray, resource);
    QFETCH(bool, hasStrings);
    QFETCH(QString, company);
    QFETCH(bool, hasFixed);
    // An exact-size copy, so that the sanitizers catch a read past the end.
    const std::unique_ptr<char[]> copy(new char[std::size_t(resource.size()) + 1]);
    std::memcpy(copy.get(), resource.constData(), std::size_t(resource.size()));
    const VersionInfo info = ParseVersionResource(copy.get(), std::size_t(resource.size()));
    QCOMPARE(info.hasStrings, hasStrings);
    QCOMPARE(info.strings.companyName, company);
    QCOMPARE(info.hasFixed, hasFixed);
    if (hasFixed)
        QCOMPARE(info.fixed.fileVersion, QStringLiteral("1.2.3.4"));
    else
        QCOMPARE(info.fixed, VersionFixed());
}

void TestVersionInfo::render_data() {
    QTest::addColumn<quint32>("fileMs");
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<quint32>("os");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<quint32>("subtype");
    QTest::addColumn<QStringList>("expected"); // file version, attributes, os, type, subtype
    QTest::newRow("word boundaries") << 0x7FFF8000u << 0u << 0x40004u << 1u << 0u
                                     << QStringList{QStringLiteral("32767.-32768.0.0"), QString(), kWin32,
                                                    QStringLiteral("Application"), QString()};
    QTest::newRow("bits past 32 ignored")
        << 0xFFFF0000u << 0xFFC0u << 0x40005u << 2u << 1u
        << QStringList{QStringLiteral("-1.0.0.0"), QString(), kUnknown,
                       QStringLiteral("Bibliothèque de liens dynamiques"), QString()};
    QTest::newRow("flags 1 and 2") << 0u << 3u << 0x10001u << 3u << 0x10000u
                                   << QStringList{QStringLiteral("0.0.0.0"),
                                                  kDebug + QStringLiteral(" - ") + kDevelopment, kDos16,
                                                  kDriver, QString()};
    QTest::newRow("type compared whole")
        << 0u << 0u << 0x20002u << 0x10001u << 0u
        << QStringList{QStringLiteral("0.0.0.0"), QString(), kOs2, kUnknown, QString()};
    QTest::newRow("font subtype 0") << 0u << 0u << 0x30003u << 4u << 0u
                                    << QStringList{QStringLiteral("0.0.0.0"), QString(), kOs2Pm32, kFont,
                                                   QString()};
}

void TestVersionInfo::render() {
    QFETCH(quint32, fileMs);
    QFETCH(quint32, flags);
    QFETCH(quint32, os);
    QFETCH(quint32, type);
    QFETCH(quint32, subtype);
    QFETCH(QStringList, expected);
    const std::array<quint32, 13> fields = {0xFEEF04BD, 0x00020001, fileMs, 0,       0x00018000, 2, 0,
                                            flags,      os,         type,   subtype, 0,          0};
    const VersionFixed f = RenderFixedInfo(fields);
    QCOMPARE(f.structVersion, QStringLiteral("2.1"));
    QCOMPARE(f.productVersion, QStringLiteral("1.-32768.0.2"));
    QCOMPARE((QStringList{f.fileVersion, f.attributes, f.os, f.fileType, f.subtype}), expected);
}

void TestVersionInfo::listedFiles_data() {
    QTest::addColumn<QString>("kind"); // what takes the listed name's place before it is read
    QTest::addColumn<qint64>("listedSize");
    QTest::addColumn<bool>("read");
    QTest::newRow("the image itself") << "file" << qint64(-2) << true;
    QTest::newRow("listed as too small") << "file" << qint64(kVersionMinImageSize - 1) << false;
    QTest::newRow("listed size unknown") << "file" << qint64(-1) << false;
    QTest::newRow("replaced by a link to an image") << "link" << qint64(-2) << false;
    QTest::newRow("replaced by a fifo") << "fifo" << qint64(-2) << false;
    QTest::newRow("replaced by a folder") << "folder" << qint64(-2) << false;
    QTest::newRow("gone") << "missing" << qint64(-2) << false;
}

void TestVersionInfo::listedFiles() {
    QFETCH(QString, kind);
    QFETCH(qint64, listedSize);
    QFETCH(bool, read);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString image = fixture(QStringLiteral("pe32_full.exe"));
    const QString path = dir.filePath(QStringLiteral("listed.exe"));
    const QByteArray native = QFile::encodeName(path);
    if (kind == u"file")
        QVERIFY(QFile::copy(image, path));
    else if (kind == u"link")
        QCOMPARE(::symlink(QFile::encodeName(image).constData(), native.constData()), 0);
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(native.constData(), 0600), 0); // must not block the reader
    else if (kind == u"folder")
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("listed.exe")));
    const qint64 size = listedSize == -2 ? QFileInfo(image).size() : listedSize;
    const VersionInfo info = ReadListedVersionInfo(native, size);
    QCOMPARE(info.hasFixed, read);
    QCOMPARE(info.hasStrings, read);
    // The same through the folder's descriptor.
    const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(folder >= 0);
    const VersionInfo inFolder = ReadListedVersionInfo(folder, QByteArrayLiteral("listed.exe"), size);
    const VersionInfo withSlash = ReadListedVersionInfo(folder, QByteArrayLiteral("./listed.exe"), size);
    ::close(folder);
    QCOMPARE(inFolder.hasFixed, read);
    QVERIFY(!withSlash.hasFixed);
}

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
