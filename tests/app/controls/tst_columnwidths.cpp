#include "controls/ColumnWidths.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

using namespace vambrel;

namespace {

// A list of three columns whose first column holds `first` and the others short texts.
struct List {
    QStandardItemModel model{0, 3};
    QTreeView view;
    explicit List(const QString& first) {
        model.setHorizontalHeaderLabels(
            {QStringLiteral("Nom"), QStringLiteral("Taille"), QStringLiteral("Type")});
        model.appendRow({new QStandardItem(first), new QStandardItem(QStringLiteral("1")),
                         new QStandardItem(QStringLiteral("Fichier"))});
        view.setModel(&model);
        view.resize(700, 300);
    }
};

} // namespace

class TestColumnWidths : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ColumnWidths::forgetSession(); }

    // Fitted to the content, within the bounds; the last column takes the rest.
    void fitWithinBounds_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("short name") << QStringLiteral("a") << 60 << 300;
        QTest::newRow("very long name") << QString(200, QLatin1Char('x')) << 60 << 300;
    }
    void fitWithinBounds() {
        QFETCH(QString, first);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        List list(first);
        ColumnWidths widths(&list.view, QStringLiteral("k"), minimum, maximum);
        list.view.show();
        widths.fitOnce();
        QVERIFY(widths.fitted());
        const int name = list.view.header()->sectionSize(0);
        QVERIFY(name >= minimum && name <= maximum);
        QVERIFY(name >= std::min(maximum, static_cast<QAbstractItemView&>(list.view).sizeHintForColumn(0)));
        QVERIFY(list.view.header()->stretchLastSection());
    }

    // Nothing is fitted before there are rows; a width set by the user is kept for the next list
    // of the same kind, not for another kind.
    void userWidthsKeptForTheSession() {
        QStandardItemModel emptyModel(0, 3);
        QTreeView empty;
        empty.setModel(&emptyModel);
        ColumnWidths none(&empty, QStringLiteral("k"));
        none.fitOnce();
        QVERIFY(!none.fitted());

        List first(QStringLiteral("a"));
        ColumnWidths firstWidths(&first.view, QStringLiteral("k"));
        first.view.show();
        firstWidths.fitOnce();
        first.view.header()->resizeSection(0, 222);
        QCOMPARE(ColumnWidths::sessionWidths(QStringLiteral("k")).value(0), 222);

        List second(QStringLiteral("b"));
        ColumnWidths secondWidths(&second.view, QStringLiteral("k"));
        second.view.show();
        secondWidths.fitOnce();
        QCOMPARE(second.view.header()->sectionSize(0), 222);

        List other(QStringLiteral("b"));
        ColumnWidths otherWidths(&other.view, QStringLiteral("autre"));
        other.view.show();
        otherWidths.fitOnce();
        QVERIFY(other.view.header()->sectionSize(0) != 222);
    }
};

QTEST_MAIN(TestColumnWidths)
#include "tst_columnwidths.moc"
