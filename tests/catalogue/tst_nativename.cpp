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
        QTest::newRow("accents, newline, quotes")
            << QByteArray("\xc3\xa9t\xc3\xa9\n\"'") << QStringLiteral("été\n\"'") << true;
        QTest::newRow("four-byte character") << QByteArray("\xf0\x9f\x98\x80") << QStringLiteral("😀") << true;
        QTest::newRow("latin-1 byte") << QByteArray("caf\xe9") << QStringLiteral("caf\\xE9") << false;
        QTest::newRow("truncated before ascii") << QByteArray("\xe2\x82"
                                                              "a")
                                                << QStringLiteral("\\xE2\\x82a") << false;
        QTest::newRow("truncated at end") << QByteArray("a\xc3") << QStringLiteral("a\\xC3") << false;
        QTest::newRow("overlong") << QByteArray("\xe0\x80\xaf") << QStringLiteral("\\xE0\\x80\\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QStringLiteral("\\xED\\xA0\\x80")
                                   << false;
        QTest::newRow("past U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\\xF4\\x90\\x80\\x80") << false;
        // A real character of the escape range is escaped too, or it would read back as a byte.
        QTest::newRow("escape range character")
            << QByteArray("\xef\x9e\x80") << QStringLiteral("\\xEF\\x9E\\x80") << false;
        QTest::newRow("just below the range") << QByteArray("\xef\x9d\xbf") << QString(QChar(0xF77F)) << true;
        QTest::newRow("just above the range") << QByteArray("\xef\xa0\x80") << QString(QChar(0xF800)) << true;
    }
    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, display);
        QFETCH(bool, plainUtf8);
        const QString name = PathFromNative(bytes);
        QCOMPARE(PathToNative(name), bytes);
        QCOMPARE(DisplayName(name), display);
        QCOMPARE(name == QString::fromUtf8(bytes), plainUtf8);
        // The stored form made straight from the bytes is the text's UTF-8, appended after
        // whatever the buffer already holds; the bytes themselves exactly when they decode plainly.
        std::string stored = "x";
        NativeToStoredUtf8(bytes.constData(), std::size_t(bytes.size()), stored);
        QCOMPARE(QByteArray::fromStdString(stored), "x" + name.toUtf8());
        QCOMPARE(stored == "x" + bytes.toStdString(), plainUtf8);
    }

    void storedFormOfEveryShortSequence() {
        // Every pair of bytes, and three-byte sequences around the escape range and the
        // surrogates, give through bytes what they give through the text.
        int failures = 0;
        std::string stored;
        const auto check = [&](std::initializer_list<int> values) {
            QByteArray bytes;
            for (int v : values)
                bytes.append(char(v));
            stored.clear();
            NativeToStoredUtf8(bytes.constData(), std::size_t(bytes.size()), stored);
            failures += QByteArray::fromStdString(stored) !=
                        NameFromNative(bytes.constData(), std::size_t(bytes.size())).toUtf8();
        };
        for (int first = 1; first < 256; ++first) {
            for (int second = 1; second < 256; ++second)
                check({first, second});
        }
        for (int lead : {0xe0, 0xed, 0xee, 0xef, 0xf0, 0xf4}) {
            for (int b = 0x80; b < 0xc0; ++b) {
                for (int c : {0x41, 0x80, 0xbf, 0xc0})
                    check({lead, b, c, 'z'});
            }
        }
        QCOMPARE(failures, 0);
    }

    void everyShortSequenceRoundTrips() {
        // Every pair of bytes, and every lead byte above 0xDF with tails around each boundary.
        const unsigned char tails[] = {0x41, 0x7f, 0x80, 0x8f, 0x90, 0x9f, 0xa0, 0xbf, 0xc0, 0xff};
        int failures = 0;
        const auto check = [&](std::initializer_list<int> values) {
            QByteArray bytes;
            for (int v : values)
                bytes.append(char(v));
            failures += NameToNative(NameFromNative(bytes.constData(), std::size_t(bytes.size()))) != bytes;
        };
        for (int first = 1; first < 256; ++first) {
            for (int second = 1; second < 256; ++second)
                check({first, second});
        }
        for (int lead = 0xe0; lead <= 0xff; ++lead) {
            for (unsigned char b : tails) {
                for (unsigned char c : tails) {
                    for (unsigned char d : tails)
                        check({lead, b, c, d});
                }
            }
        }
        QCOMPARE(failures, 0);
    }

    void loneSurrogateInText() {
        // Not a text that comes from a name; it must still give bytes.
        QCOMPARE(NameToNative(QStringLiteral("a") + QChar(0xD800)), QByteArray("a\xef\xbf\xbd"));
    }
};

QTEST_GUILESS_MAIN(TestNativeName)
#include "tst_nativename.moc"
