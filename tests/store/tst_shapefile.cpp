#include "store/ShapeFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using store::ShapeEntry;

Q_DECLARE_METATYPE(QVector<ShapeEntry>)

class TestShapeFile : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVector<ShapeEntry>>("expected");
        QTest::newRow("three lines in order")
            << "Brilliant~RNDCUTSYM\r\nPear~PERCUTSYM\r\nOval~OVLCUTSYM\r\n"
            << QVector<ShapeEntry>{{"Brilliant", "RNDCUTSYM"}, {"Pear", "PERCUTSYM"}, {"Oval", "OVLCUTSYM"}};
        QTest::newRow("split at the first tilde") << "Heart~HRT~X\r\n"
                                                  << QVector<ShapeEntry>{{"Heart", "HRT~X"}};
        QTest::newRow("no line end at the end") << "Oval~OVL" << QVector<ShapeEntry>{{"Oval", "OVL"}};
        QTest::newRow("plain line feeds") << "A~1\nB~2\n" << QVector<ShapeEntry>{{"A", "1"}, {"B", "2"}};
        QTest::newRow("lone carriage returns (old files)")
            << "A~1\rB~2\r\"C~3\"\rD~4" << QVector<ShapeEntry>{{"A", "1"}, {"B", "2"}, {"C", "3"}, {"D", "4"}};
        QTest::newRow("a comma ends a field") << "A~1,B~2\r\n" << QVector<ShapeEntry>{{"A", "1"}, {"B", "2"}};
        QTest::newRow("leading blanks skipped, inner kept")
            << "   Old Mine~OMC\r\n" << QVector<ShapeEntry>{{"Old Mine", "OMC"}};
        QTest::newRow("quotes enclose a field") << "\"Cush, Mod~CSH\"\r\nA~1\r\n"
                                                << QVector<ShapeEntry>{{"Cush, Mod", "CSH"}, {"A", "1"}};
        QTest::newRow("empty and tilde-less lines skipped")
            << "A~1\r\n\r\nnot a shape\r\nB~2\r\n" << QVector<ShapeEntry>{{"A", "1"}, {"B", "2"}};
        QTest::newRow("empty file") << "" << QVector<ShapeEntry>{};
        QTest::newRow("empty code") << "Pear~\r\n" << QVector<ShapeEntry>{{"Pear", ""}};
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QVector<ShapeEntry>, expected);
        QCOMPARE(store::parseShapeText(text), expected);
    }

    void readsWindowsCodePage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Shapes.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Tr\xe8s Brillant~TRBCUTSYM\r\n");
        file.close();
        QCOMPARE(store::readShapeFile(path), (QVector<ShapeEntry>{{QString::fromUtf8("Très Brillant"), "TRBCUTSYM"}}));
    }
};

QTEST_GUILESS_MAIN(TestShapeFile)
#include "tst_shapefile.moc"
