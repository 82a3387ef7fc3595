// Reading real Access files: the catalogue, values of every awkward kind,
// damaged files, and Reports.mdb read in place by the field browser.
#include "definer/ShapeList.h"
#include "legacy/MdbFile.h"
#include "legacy/MdbReportTables.h"
#include "setup/FrmPara.h"
#include "setup/SetupFixture.h"
#include "store/ClassModule.h"
#include "store/Error.h"
#include "store/StoreCheck.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kFixtures = QStringLiteral(ORVANA_FIXTURES_DIR);

QString fixture(const QString &name)
{
    return kFixtures + u'/' + name;
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

const QStringList kNwindTables{"Categories", "Customers", "Employees", "Order Details", "Orders",
                               "Products",   "Shippers",  "Suppliers", "Umsätze"};

} // namespace

class TestMdbFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        testsupport::isolateSettings();
        legacy::setReaderProgram(QStringLiteral(ORVANA_BINARY));
    }

    void catalogue()
    {
        REQUIRE_FIXTURES();
        const legacy::MdbReportTables reports(fixture("nwind.mdb"));
        QCOMPARE(reports.tables(), kNwindTables);
        QCOMPARE(reports.columns("Products"),
                 (QStringList{"ProductID", "ProductName", "SupplierID", "CategoryID", "QuantityPerUnit", "UnitPrice",
                              "UnitsInStock", "UnitsOnOrder", "ReorderLevel", "Discontinued"}));
        QCOMPARE(reports.columns("Umsätze").mid(0, 3), (QStringList{"OrderID", "CustomerID", "EmployeeID"}));
        QCOMPARE(reports.columns("No such table"), QStringList());
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
        QTest::newRow("Jet 4 text") << "DateTestDatabase.mdb" << "DateTest" << 1 << "ShortTextCol" << "Year 1999";
        QTest::newRow("currency") << "nwind.mdb" << "Products" << 0 << "UnitPrice" << "18.0000";
        QTest::newRow("boolean false") << "nwind.mdb" << "Products" << 0 << "Discontinued" << "0";
        QTest::newRow("boolean true") << "nwind.mdb" << "Products" << 4 << "Discontinued" << "1";
        QTest::newRow("single, shortest") << "nwind.mdb" << "Order Details" << 6 << "Discount" << "0.15";
        QTest::newRow("null text") << "nwind.mdb" << "Customers" << 0 << "Region" << "<null>";
        QTest::newRow("Jet 3 text, code page") << "nwind.mdb" << "Orders" << 2 << "ShipName" << "Mère Paillarde";
        QTest::newRow("table with a non-ASCII name") << "nwind.mdb" << "Umsätze" << 0 << "CustomerID" << "LILAS";
    }

    void values()
    {
        REQUIRE_FIXTURES();
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(int, row);
        QFETCH(QString, column);
        const legacy::Source source = legacy::readMdbFile(fixture(file), true);
        QCOMPARE(source.fileName(), file);
        const legacy::Table *found = source.table(table);
        QVERIFY(found);
        const QVariant value = found->rows.value(row).value(found->columns.indexOf(column));
        QTEST(value.isNull() ? QStringLiteral("<null>") : value.toString(), "value");
    }

    // kind: "text" a text file renamed; "cut:N" the first N bytes of nwind.mdb.
    void damaged_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("text file") << "text" << "x.mdb is not an Access database.";
        QTest::newRow("header only") << "cut:5000" << "x.mdb is damaged: its list of tables cannot be read.";
        QTest::newRow("cut short") << "cut:300000"
                                   << "x.mdb is damaged: the reader stopped with status 1 "
                                      "(mdb_read_table: Unable to read page 415).";
    }

    void damaged()
    {
        QFETCH(QString, kind);
        if (kind != "text")
            REQUIRE_FIXTURES();
        QTemporaryDir dir;
        QFile out(dir.filePath("x.mdb"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        if (kind == "text") {
            out.write("Shape;Lab;Serial\nBrilliant;AGL;0\n");
        } else {
            QFile in(fixture("nwind.mdb"));
            QVERIFY(in.open(QIODevice::ReadOnly));
            out.write(in.read(kind.section(u':', 1).toLongLong()));
        }
        out.close();
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
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::copy(fixture("nwind.mdb"), path));
        QCOMPARE(reports.tables(), kNwindTables);
    }

    // The field browser lists the columns of the shape's tables from
    // Reports.mdb when there is no Reports.db.
    void fieldBrowserReadsReportsMdb()
    {
        REQUIRE_FIXTURES();
        testsupport::ScriptedPrompt prompt;
        // Code "OrderCUTSYM" names the tables "Order" plus one character:
        // "Orders", not "Order Details".
        testsupport::TestDataDir dir(QStringLiteral("Brilliant~OrderCUTSYM\r\n"));
        QVERIFY(QFile::remove(dir.file("Reports.db")));
        QVERIFY(QFile::copy(fixture("nwind.mdb"), dir.file("Reports.mdb")));
        store::checkDataDir(store::DataDir(dir.path()));
        store::ClassModule module{store::DataDir(dir.path())};
        module.OpenDatabases();
        QComboBox shapes;
        definer::LoadShapeList(&shapes, module);
        setup::FrmPara window(module, &shapes);
        window.BtnView_Click();
        QCOMPARE(SetupFixture::items(window.List2),
                 (QStringList{"OrderID", "CustomerID", "EmployeeID", "OrderDate", "RequiredDate", "ShippedDate",
                              "ShipVia", "Freight", "ShipName", "ShipAddress", "ShipCity", "ShipRegion",
                              "ShipPostalCode", "ShipCountry"}));
        QCOMPARE(prompt.informed, QStringList());
    }

    void startUpRefusesReportsMdbThatIsNoAccessFile()
    {
        testsupport::TestDataDir dir;
        QVERIFY(QFile::remove(dir.file("Reports.db")));
        QFile out(dir.file("Reports.mdb"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("Standard Text File, not a database");
        out.close();
        try {
            store::checkDataDir(store::DataDir(dir.path()));
            QFAIL("accepted");
        } catch (const store::Error &error) {
            QCOMPARE(error.message(), QStringLiteral("Reports.mdb is not an Access database."));
        }
    }
};

QTEST_MAIN(TestMdbFile)
#include "tst_mdbfile.moc"
