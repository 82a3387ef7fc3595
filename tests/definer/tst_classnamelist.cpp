#include "definer/ClassNameList.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

// The class list on its own: entries, the current item and the selection.
class TestClassNameList : public QObject {
    Q_OBJECT

    struct Editor {
        QWidget window;
        QListWidget *list = new QListWidget(&window);
        QLineEdit *name = new QLineEdit(&window);
        definer::ClassNameList names{list, name};

        explicit Editor(const QStringList &entries)
        {
            list->addItems(entries);
            window.show();
        }
        QStringList entries() const
        {
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                texts.append(list->item(i)->text());
            return texts;
        }
        QStringList selected() const
        {
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                if (list->item(i)->isSelected())
                    texts.append(list->item(i)->text());
            return texts;
        }
    };

private slots:
    void add_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("left");
        QTest::newRow("new name") << "Fair" << QStringList{"Good", "Fair"} << "";
        QTest::newRow("other case is another name") << "good" << QStringList{"Good", "good"} << "";
        QTest::newRow("trailing blank is another name") << "Good " << QStringList{"Good", "Good "} << "";
        QTest::newRow("exact duplicate refused") << "Good" << QStringList{"Good"} << "Good";
        QTest::newRow("empty ignored") << "" << QStringList{"Good"} << "";
    }

    void add()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, entries);
        QFETCH(QString, left);
        Editor e({"Good"});
        QTest::keyClicks(e.name, typed);
        // Enter in the name box adds, exactly like the Add button.
        QTest::keyClick(e.name, Qt::Key_Return);
        QCOMPARE(e.entries(), entries);
        QCOMPARE(e.name->text(), left);
        QCOMPARE(e.name->selectedText(), left);
    }

    void nameStopsAt25Characters()
    {
        Editor e({});
        QTest::keyClicks(e.name, QString(26, u'x'));
        QCOMPARE(e.name->text(), QString(25, u'x'));
    }

    void moves_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("newCurrent");
        QTest::newRow("up") << 1 << 2 << QStringList{"B", "A", "C"} << 0;
        QTest::newRow("down") << 1 << 3 << QStringList{"A", "C", "B"} << 2;
        QTest::newRow("up on first") << 0 << 2 << QStringList{"A", "B", "C"} << 0;
        QTest::newRow("down on last") << 2 << 3 << QStringList{"A", "B", "C"} << 2;
    }

    void moves()
    {
        QFETCH(int, current);
        QFETCH(int, button);
        QFETCH(QStringList, entries);
        QFETCH(int, newCurrent);
        Editor e({"A", "B", "C"});
        e.list->setCurrentRow(current);
        e.names.BtnList_Click(button);
        QCOMPARE(e.entries(), entries);
        QCOMPARE(e.list->currentRow(), newCurrent);
        QVERIFY(e.list->item(newCurrent)->isSelected());
    }

    void moveUpThenDownRestores()
    {
        Editor e({"A", "B", "C"});
        e.list->setCurrentRow(1);
        e.names.BtnList_Click(definer::ClassNameList::MoveUp);
        e.names.BtnList_Click(definer::ClassNameList::MoveDown);
        QCOMPARE(e.entries(), (QStringList{"A", "B", "C"}));
        QCOMPARE(e.list->currentRow(), 1);
        QCOMPARE(e.selected(), QStringList{"B"});
    }

    void moveKeepsOtherSelections()
    {
        Editor e({"A", "B", "C", "D"});
        e.list->item(3)->setSelected(true);
        e.list->setCurrentRow(1, QItemSelectionModel::Select);
        e.names.BtnList_Click(definer::ClassNameList::MoveUp);
        QCOMPARE(e.entries(), (QStringList{"B", "A", "C", "D"}));
        QCOMPARE(e.selected(), (QStringList{"B", "D"}));
    }

    void deleteSelected_data()
    {
        QTest::addColumn<QList<int>>("select");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("first and last") << QList<int>{0, 2} << QStringList{"B"};
        QTest::newRow("all") << QList<int>{0, 1, 2} << QStringList{};
        QTest::newRow("none") << QList<int>{} << QStringList{"A", "B", "C"};
    }

    void deleteSelected()
    {
        QFETCH(QList<int>, select);
        QFETCH(QStringList, entries);
        Editor e({"A", "B", "C"});
        for (int i : select)
            e.list->item(i)->setSelected(true);
        e.names.BtnList_Click(definer::ClassNameList::Delete);
        QCOMPARE(e.entries(), entries);
    }
};

QTEST_MAIN(TestClassNameList)
#include "tst_classnamelist.moc"
