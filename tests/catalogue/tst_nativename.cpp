#include "NativeName.h"

#include <QTest>

using namespace vambrel;

class TestNativeName : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("display");
        QTest::addColumn<bool>("plainUtf8"); // decodes exactly as UTF-8 does
        QTest::newRow("empty") << QByteArray() << QString() << true;
        QTest::newRow("ascii") << QByteArray("readme.txt") << QStringLiteral("readme.txt") << true;
        QTest::newRow("accents") << QByteArray("\xc3\xa9t\xc3\xa9.doc") << QStringLiteral("été.doc") << true;
        QTest::newRow("newline and quotes") << QByteArray("a\nb\"c'd") << QStringLiteral("a\nb\"c'd") << true;
        QTest::newRow("four-byte character") << QByteArray("\xf0\x9f\x98\x80") << QStringLiteral("😀") << true;
        QTest::newRow("latin-1 byte") << QByteArray("caf\xe9") << QStringLiteral("caf\\xE9") << false;
        QTest::newRow("lone continuation") << QByteArray("\x80z") << QStringLiteral("\\x80z") << false;
        QTest::newRow("truncated at end") << QByteArray("a\xc3") << QStringLiteral("a\\xC3") << false;
        QTest::newRow("truncated before ascii") << QByteArray("\xe2\x82"
                                                              "a")
                                                << QStringLiteral("\\xE2\\x82a") << false;
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QStringLiteral("\\xC0\\xAF") << false;
        QTest::newRow("overlong three bytes")
            << QByteArray("\xe0\x80\xaf") << QStringLiteral("\\xE0\\x80\\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QStringLiteral("\\xED\\xA0\\x80")
                                   << false;
        QTest::newRow("past U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\\xF4\\x90\\x80\\x80") << false;
        QTest::newRow("0xFF") << QByteArray("\xff\xfe") << QStringLiteral("\\xFF\\xFE") << false;
        // A real character of the escape range is escaped too, or it would read back as a byte.
        QTest::newRow("escape range character")
            << QByteArray("\xef\x9e\x80") << QStringLiteral("\\xEF\\x9E\\x80") << false;
        QTest::newRow("just below the escape range")
            << QByteArray("\xef\x9d\xbf") << QString(QChar(0xF77F)) << true;
        QTest::newRow("just above the escape range")
            << QByteArray("\xef\xa0\x80") << QString(QChar(0xF800)) << true;
    }
    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, display);
        QFETCH(bool, plainUtf8);
        const QString name = NameFromNative(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        QCOMPARE(NameToNative(name), bytes);
        QCOMPARE(PathToNative(PathFromNative(bytes)), bytes);
        QCOMPARE(DisplayName(name), display);
        QCOMPARE(name == QString::fromUtf8(bytes), plainUtf8);
        // The text that came from a name goes back and forth unchanged.
        const QByteArray again = NameToNative(name);
        QCOMPARE(NameFromNative(again.constData(), static_cast<std::size_t>(again.size())), name);
    }

    void everyTwoBytesRoundTrip() {
        int failures = 0;
        for (int first = 0; first < 256; ++first) {
            for (int second = 1; second < 256; ++second) {
                const char bytes[] = {static_cast<char>(first == 0 ? 'x' : first), static_cast<char>(second)};
                const QString name = NameFromNative(bytes, 2);
                if (NameToNative(name) != QByteArray(bytes, 2))
                    ++failures;
            }
        }
        QCOMPARE(failures, 0);
    }

    void threeAndFourByteLeadsRoundTrip() {
        const unsigned char tails[] = {0x00, 0x41, 0x7f, 0x80, 0x8f, 0x90, 0x9f, 0xa0, 0xbf, 0xc0, 0xff};
        int failures = 0;
        for (int lead = 0xe0; lead <= 0xff; ++lead) {
            for (unsigned char b : tails) {
                for (unsigned char c : tails) {
                    for (unsigned char d : tails) {
                        const char bytes[] = {static_cast<char>(lead), static_cast<char>(b),
                                              static_cast<char>(c), static_cast<char>(d)};
                        if (NameToNative(NameFromNative(bytes, 4)) != QByteArray(bytes, 4))
                            ++failures;
                    }
                }
            }
        }
        QCOMPARE(failures, 0);
    }

    void decodeIntoReusesText() {
        QString out = QStringLiteral("a much longer earlier name");
        NameFromNativeInto(out, "b\xff", 2);
        QCOMPARE(out, QStringLiteral("b") + QChar(0xF7FF));
        NameFromNativeInto(out, "", 0);
        QVERIFY(out.isEmpty());
    }

    void loneSurrogateInText() {
        // Not a text that comes from a name; it must still give bytes, never crash.
        const QString text = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
        QCOMPARE(NameToNative(text), QByteArray("a\xef\xbf\xbd"
                                                "b"));
    }
};

QTEST_GUILESS_MAIN(TestNativeName)
#include "tst_nativename.moc"
