#include "controls/EditHistory.h"
#include "definer/ClassNameList.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

using definer::ClassNameList;

// The class list on its own: entries, the current item and the selection.
class TestClassNameList : public QObject {
    Q_OBJECT

    struct Editor {
        QListWidget list;
        QLineEdit name;
        ClassNameList names{&list, &name, new controls::EditHistory(&list)};

        explicit Editor(const QStringList &entries) { list.addItems(entries); }
        QStringList texts(bool selectedOnly = false) const
        {
            QStringList texts;
            for (int i = 0; i < list.count(); ++i)
                if (!selectedOnly || list.item(i)->isSelected())
                    texts.append(list.item(i)->text());
            return texts;
        }
    };

private slots:
    void add_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("left"); // in the name box, all selected
        QTest::newRow("new name") << "Fair" << QStringList{"Good", "Fair"} << "";
        QTest::newRow("other case is another name") << "good" << QStringList{"Good", "good"} << "";
        QTest::newRow("trailing blank is another name") << "Good " << QStringList{"Good", "Good "} << "";
        QTest::newRow("exact duplicate refused") << "Good" << QStringList{"Good"} << "Good";
        QTest::newRow("empty ignored") << "" << QStringList{"Good"} << "";
        QTest::newRow("26th character refused") << QString(26, u'x') << QStringList{"Good", QString(25, u'x')} << "";
    }
    void add()
    {
        QFETCH(QString, typed);
        QFETCH(QString, left);
        // Enter in the name box adds, exactly like the Add button.
        for (bool byEnter : {true, false}) {
            Editor e({"Good"});
            QTest::keyClicks(&e.name, typed);
            if (byEnter)
                QTest::keyClick(&e.name, Qt::Key_Return);
            else
                e.names.BtnList_Click(ClassNameList::Add);
            QTEST(e.texts(), "entries");
            QCOMPARE(e.name.text(), left);
            QCOMPARE(e.name.selectedText(), left);
        }
    }

    void buttons_data()
    {
        QTest::addColumn<QList<int>>("selected"); // the last one becomes the current entry
        QTest::addColumn<QList<int>>("buttons");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("selectedAfter");
        QTest::addColumn<int>("current"); // -1: not checked
        using L = QList<int>;
        using S = QStringList;
        const int up = ClassNameList::MoveUp, down = ClassNameList::MoveDown, del = ClassNameList::Delete;
        const S unchanged{"A", "B", "C", "D"};
        QTest::newRow("up") << L{1} << L{up} << S{"B", "A", "C", "D"} << S{"B"} << 0;
        QTest::newRow("down") << L{1} << L{down} << S{"A", "C", "B", "D"} << S{"B"} << 2;
        QTest::newRow("up on first") << L{0} << L{up} << unchanged << S{"A"} << 0;
        QTest::newRow("down on last") << L{3} << L{down} << unchanged << S{"D"} << 3;
        QTest::newRow("up, then down") << L{1} << L{up, down} << unchanged << S{"B"} << 1;
        QTest::newRow("other selections kept") << L{3, 1} << L{up} << S{"B", "A", "C", "D"} << S{"B", "D"} << 0;
        QTest::newRow("delete some") << L{0, 2} << L{del} << S{"B", "D"} << S{} << -1;
        QTest::newRow("delete all") << L{0, 1, 2, 3} << L{del} << S{} << S{} << -1;
        QTest::newRow("delete none") << L{} << L{del} << unchanged << S{} << -1;
    }
    void buttons()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, buttons);
        QFETCH(int, current);
        Editor e({"A", "B", "C", "D"});
        for (int i : selected)
            e.list.setCurrentRow(i, QItemSelectionModel::Select);
        for (int button : buttons)
            e.names.BtnList_Click(button);
        QTEST(e.texts(), "entries");
        QTEST(e.texts(true), "selectedAfter");
        if (current >= 0)
            QCOMPARE(e.list.currentRow(), current);
    }
};

QTEST_MAIN(TestClassNameList)
#include "tst_classnamelist.moc"
