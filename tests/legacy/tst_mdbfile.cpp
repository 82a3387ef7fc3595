// Reading real Access files: values of every awkward kind, damaged files (the
// reader runs in a child, so one cannot take the program down), and
// Reports.mdb read again when it changes.
#include "legacy/MdbFile.h"
#include "legacy/MdbReportTables.h"
#include "store/Error.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(ORVANA_FIXTURES_DIR "/") + name;
}

// Skips the test when the shared fixtures are not there.
#define REQUIRE_FIXTURES()                                                                                              \
    if (!QFile::exists(fixture("nwind.mdb")) || !QFile::exists(fixture("DateTestDatabase.mdb")))                        \
        QSKIP("the Access fixtures are not present");

QString readError(const QString &path)
{
    try {
        legacy::readMdbFile(path, true);
    } catch (const store::Error &error) {
        return error.message();
    }
    return QStringLiteral("(read)");
}

} // namespace

class TestMdbFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        testsupport::isolateSettings();
        legacy::setReaderProgram(QStringLiteral(ORVANA_BINARY));
    }

    // row: 0-based; "<null>" for a null.
    void values_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::newRow("year 9999") << "DateTestDatabase.mdb" << "DateTest" << 1 << "DateTimeCol" << "9999-01-01 00:00:00";
        QTest::newRow("before 1900") << "DateTestDatabase.mdb" << "DateTest" << 2 << "DateTimeCol" << "1898-01-01 00:00:00";
        QTest::newRow("memo with a line break") << "DateTestDatabase.mdb" << "DateTest" << 5 << "LongTextCol"
                                                << "New line\r\nin field";
        QTest::newRow("currency") << "nwind.mdb" << "Products" << 0 << "UnitPrice" << "18.0000";
        QTest::newRow("boolean false") << "nwind.mdb" << "Products" << 0 << "Discontinued" << "0";
        QTest::newRow("boolean true") << "nwind.mdb" << "Products" << 4 << "Discontinued" << "1";
        QTest::newRow("single, shortest") << "nwind.mdb" << "Order Details" << 6 << "Discount" << "0.15";
        QTest::newRow("null text") << "nwind.mdb" << "Customers" << 0 << "Region" << "<null>";
        QTest::newRow("Jet 3 text, code page") << "nwind.mdb" << "Orders" << 2 << "ShipName" << "Mère Paillarde";
    }

    void values()
    {
        REQUIRE_FIXTURES();
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(int, row);
        QFETCH(QString, column);
        const legacy::Source source = legacy::readMdbFile(fixture(file), true);
        const legacy::Table *found = source.table(table);
        QVERIFY(found);
        const QVariant value = found->rows.value(row).value(found->columns.indexOf(column));
        QTEST(value.isNull() ? QStringLiteral("<null>") : value.toString(), "value");
    }

    // Jet keeps the time of day as a fraction of the day, also before 1900;
    // shown to the second, it rounds into the next day from 23:59:59.5.
    void jetDates_data()
    {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("text");
        QTest::newRow("last second of a day") << 45443 + 86399.0 / 86400 << "2024-05-31 23:59:59";
        QTest::newRow("rounded to midnight") << 45443 + 86399.6 / 86400 << "2024-06-01 00:00:00";
        QTest::newRow("before 1900, rounded to midnight") << -1 - 86399.6 / 86400 << "1899-12-30 00:00:00";
        QTest::newRow("before 1900, morning") << -1.25 << "1899-12-29 06:00:00";
    }

    void jetDates()
    {
        QFETCH(double, days);
        QTEST(legacy::jetDateText(days), "text");
    }

    // kind: "text" a text file renamed; "cut:N[:L]" the first N bytes of
    // nwind.mdb, read with at most L KiB of output; "stop" a reader that
    // stops at once.
    void damaged_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("text file") << "text" << "x.mdb is not an Access database.";
        QTest::newRow("header only") << "cut:5000" << "x.mdb is damaged: its list of tables cannot be read.";
        QTest::newRow("cut short") << "cut:300000" << "x.mdb is damaged: the table Order Details cannot be read.";
        // Here libmdb goes round the missing pages for ever, complaining.
        QTest::newRow("looping on its pages")
            << "cut:1500000:512" << "x.mdb cannot be read: reading it gave more than 512 kB, far more than a rule base "
                                    "holds; the file is probably damaged.";
        QTest::newRow("reader stops") << "stop" << "x.mdb is damaged: the reader stopped with status 1.";
    }

    void damaged()
    {
        QFETCH(QString, kind);
        if (kind.startsWith("cut"))
            REQUIRE_FIXTURES();
        QTemporaryDir dir;
        QFile out(dir.filePath("x.mdb")), in(fixture("nwind.mdb"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        if (kind.startsWith("cut") && in.open(QIODevice::ReadOnly))
            out.write(in.read(kind.section(u':', 1, 1).toLongLong()));
        else
            out.write("Shape;Lab;Serial\nBrilliant;AGL;0\n");
        out.close();
        const qint64 limit = kind.section(u':', 2).toLongLong() << 10;
        legacy::setReaderLimits({limit > 0 ? limit : legacy::ReaderLimits().bytes});
        legacy::setReaderProgram(kind == "stop" ? QStringLiteral("false") : QStringLiteral(ORVANA_BINARY));
        const auto restore = qScopeGuard([] {
            legacy::setReaderLimits({});
            legacy::setReaderProgram(QStringLiteral(ORVANA_BINARY));
        });
        QTEST(readError(out.fileName()), "message");
    }

    // Other software rewrites Reports.mdb while the program runs.
    void rereadWhenChanged()
    {
        REQUIRE_FIXTURES();
        QTemporaryDir dir;
        const QString path = dir.filePath("Reports.mdb");
        QVERIFY(QFile::copy(fixture("DateTestDatabase.mdb"), path));
        const legacy::MdbReportTables reports(path);
        QCOMPARE(reports.tables(), QStringList{"DateTest"});
        QVERIFY(QFile::remove(path) && QFile::copy(fixture("nwind.mdb"), path));
        QCOMPARE(reports.tables(), (QStringList{"Categories", "Customers", "Employees", "Order Details", "Orders",
                                                "Products", "Shippers", "Suppliers", "Umsätze"}));
    }
};

QTEST_MAIN(TestMdbFile)
#include "tst_mdbfile.moc"
