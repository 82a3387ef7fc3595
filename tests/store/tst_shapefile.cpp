// Shapes.txt as the old program's Input # statement read it.
#include "store/ShapeFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using store::ShapeEntry;
using Shapes = QVector<ShapeEntry>;

Q_DECLARE_METATYPE(Shapes)

class TestShapeFile : public QObject {
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Shapes>("expected");
        QTest::newRow("split at the first tilde, no line end at the end")
            << QByteArray("Brilliant~RNDCUTSYM\r\nHeart~HRT~X") << Shapes{{"Brilliant", "RNDCUTSYM"}, {"Heart", "HRT~X"}};
        QTest::newRow("lone carriage returns (old files), plain line feeds")
            << QByteArray("A~1\rB~2\r\"C~3\"\nD~4\n") << Shapes{{"A", "1"}, {"B", "2"}, {"C", "3"}, {"D", "4"}};
        QTest::newRow("a comma ends a field") << QByteArray("A~1,B~2\r\n") << Shapes{{"A", "1"}, {"B", "2"}};
        QTest::newRow("leading blanks skipped, inner kept") << QByteArray("   Old Mine~OMC\r\n") << Shapes{{"Old Mine", "OMC"}};
        QTest::newRow("quotes enclose a field")
            << QByteArray("\"Cush, Mod~CSH\"\r\nPear~\r\n") << Shapes{{"Cush, Mod", "CSH"}, {"Pear", ""}};
        QTest::newRow("empty and tilde-less lines skipped")
            << QByteArray("A~1\r\n\r\nnot a shape\r\nB~2\r\n") << Shapes{{"A", "1"}, {"B", "2"}};
        QTest::newRow("a Windows-1252 line among UTF-8 ones, a byte order mark")
            << QByteArray("\xEF\xBB\xBF\xC3\x89toile~E\r\nTr\xe8s Brillant~TRBCUTSYM\r\nCaf\xc3\xa9~C\r\n")
            << Shapes{{"Étoile", "E"}, {"Très Brillant", "TRBCUTSYM"}, {"Café", "C"}};
    }

    void read()
    {
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        QFile file(dir.filePath("Shapes.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        QTEST(store::readShapeFile(file.fileName()), "expected");
    }
};

QTEST_GUILESS_MAIN(TestShapeFile)
#include "tst_shapefile.moc"
