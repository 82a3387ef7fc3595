#include "controls/FlexGrid.h"
#include "controls/GraphicalButton.h"
#include "controls/ReportList.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>

namespace {

// The main window on a fresh data directory, loaded as the program starts it.
struct MainWindow {
    explicit MainWindow(const QString &sql = {}, bool active = true)
    {
        if (!sql.isEmpty())
            dir.exec(sql);
        if (!active)
            return;
        window.Form_Load();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    testsupport::TestDataDir dir;
    testsupport::ScriptedPrompt prompt;
    testsupport::ScriptedModal modal;
    store::ClassModule module{store::DataDir(dir.path())};
    FrmCS window{module};
};

} // namespace

class TestFrmCS : public QObject {
    Q_OBJECT

private slots:
    void menuBar()
    {
        MainWindow main({}, false);
        FrmCS &window = main.window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Orvana Cut / Symmetry Definer"));
        // Settings stays hidden until the password window unlocks it.
        QVERIFY(!window.mnuSettings->menuAction()->isVisible());

        // Captions are never clipped, and buttons grown to fit theirs cover nothing.
        QWidgetList controls;
        for (QWidget *child : window.definer->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            if (!child->isHidden())
                controls << child;
        for (QWidget *control : controls) {
            if (auto *label = qobject_cast<QLabel *>(control))
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
            for (QWidget *other : controls)
                QVERIFY2(!qobject_cast<controls::GraphicalButton *>(control) || control == other || !control->geometry().intersects(other->geometry()),
                         qPrintable(QStringLiteral("%1 %2 covers %3").arg(control->metaObject()->className(), control->objectName(), other->objectName())));
        }
    }

    // Each item once, by its shortcut where it has one: what it did.
    void menuItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("edit"); // typed into the grid first
        QTest::addColumn<int>("answer");   // to a Yes/No/Cancel question
        QTest::addColumn<QString>("effect");
        const int yes = int(controls::Choice::Yes), no = int(controls::Choice::No),
                  cancel = int(controls::Choice::Cancel);
        QTest::newRow("Save") << "MnuSave" << "Ctrl+S" << "77" << yes << "stored 77";
        QTest::newRow("Enter on Save Data..") << "BtnSave" << "Return" << "77" << yes << "stored 77";
        QTest::newRow("Copy As") << "MnuCopyAs" << "" << "" << yes << "informed Lab Copied Successfully";
        QTest::newRow("Create") << "MnuCreate" << "Ctrl+N" << "" << yes << "informed Lab Created Succssefully.";
        QTest::newRow("Delete") << "MnuDelete" << "" << "" << yes << "asked Are sure for delete the lab?";
        QTest::newRow("Print") << "MnuPrint" << "Ctrl+P" << "" << yes << "opened Print";
        QTest::newRow("Import") << "MnuImport" << "Ctrl+I" << "" << yes << "asked Import";
        QTest::newRow("Export") << "MnuExport" << "Ctrl+E" << "" << yes << "opened Export";
        QTest::newRow("Back up") << "MnuBackup" << "" << "" << yes << "asked Back up into";
        QTest::newRow("Update Shapes")
            << "MnuUpdateShapes" << "" << "" << yes
            << "asked If you have done any changes then it will save them.\r\nDo you want to save them?";
        QTest::newRow("Exit") << "MnuExit" << "" << "" << yes << "closed";
        QTest::newRow("Exit, changed, yes") << "MnuExit" << "" << "77" << yes
                                            << "asked Save the changes to AGL (Brilliant, Cut)?; stored 77; closed";
        QTest::newRow("Exit, changed, no") << "MnuExit" << "" << "77" << no
                                           << "asked Save the changes to AGL (Brilliant, Cut)?; closed";
        QTest::newRow("close box, changed, cancel") << "close" << "" << "77" << cancel
                                                    << "asked Save the changes to AGL (Brilliant, Cut)?";
        QTest::newRow("About") << "MnuAbout" << "" << "" << yes << "opened About us";
        QTest::newRow("OMZ Symmetry") << "MnuOMZsym" << "" << "" << yes << "opened OMZ Symmetry Definer";
        QTest::newRow("Multiple Institute") << "MnuMultilab" << "" << "" << yes << "opened Multi Institute";
        QTest::newRow("Desciption") << "Desc" << "" << "" << yes << "opened Description Parameter";
        QTest::newRow("Parameters") << "MnuParameters" << "" << "" << yes << "opened Cut / Sym Parameters";
        QTest::newRow("Shapes") << "MnuShape" << "" << "" << yes << "opened Shapes";
    }

    void menuItems()
    {
        QFETCH(QString, item);
        QFETCH(QString, key);
        QFETCH(QString, edit);
        QFETCH(int, answer);
        MainWindow main("INSERT INTO CutPara VALUES ('Brilliant',1,'TablePct','Table %');\n"
                        "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\n"
                        "INSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n");
        auto &[dir, prompt, modal, module, window] = main;
        prompt.choices = {controls::Choice(answer)};
        prompt.answers = {false};
        // A window with a shape list must offer the main window's shapes.
        QString offered;
        modal.onOpen = [&](QDialog &dialog) {
            if (auto *combo = dialog.findChild<QComboBox *>("cShape"))
                offered = combo->count() ? combo->itemText(0) : "nothing";
            else if (auto *list = dialog.findChild<controls::ReportList *>("List"))
                offered = list->count() ? list->text(1) : "nothing";
        };
        window.definer->nName->setText("New lab");
        if (!edit.isEmpty()) {
            QTest::mouseClick(window.definer->panel->msf->viewport(), Qt::LeftButton, {}, QPoint(180, 45));
            QTest::keyClicks(window.definer->panel->Txt, edit);
        }
        if (item == QLatin1String("close")) {
            window.close();
        } else if (item.startsWith(QLatin1String("Btn"))) {
            QWidget *button = window.findChild<QWidget *>(item);
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Return);
            QTest::qWait(200); // the click is animated
        } else if (key.isEmpty())
            window.findChild<QAction *>(item)->trigger();
        else
            QTest::keyClick(&window, QKeySequence(key)[0].key(), QKeySequence(key)[0].keyboardModifiers());

        QStringList effect;
        for (const QString &text : prompt.confirmed)
            effect << "asked " + text;
        for (const QString &text : modal.opened)
            effect << "opened " + text;
        const QString stored = dir.rows("SELECT cMin FROM CutData").join(",");
        if (!stored.isEmpty())
            effect << "stored " + stored;
        for (const QString &text : prompt.informed)
            effect << "informed " + text;
        if (!window.isVisible())
            effect << "closed";
        QTEST(effect.join("; "), "effect");
        if (!offered.isNull())
            QCOMPARE(offered, QStringLiteral("Brilliant"));
    }

    void shiftF8OpensThePasswordWindow_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("shift") << int(Qt::ShiftModifier) << QStringList{"Password"};
        QTest::newRow("ctrl+shift") << int(Qt::ShiftModifier | Qt::ControlModifier) << QStringList{};
        QTest::newRow("alone") << int(Qt::NoModifier) << QStringList{};
    }

    void shiftF8OpensThePasswordWindow()
    {
        QFETCH(int, modifiers);
        QFETCH(QStringList, opened);
        MainWindow main;
        auto &window = main.window;
        window.definer->nName->setFocus();
        QTest::keyClick(window.definer->nName, Qt::Key_F8, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(main.modal.opened, opened);
    }

    void instructions_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << false;
        QTest::newRow("present") << true;
    }

    void instructions()
    {
        QFETCH(bool, present);
        MainWindow main({}, false);
        auto &[dir, prompt, modal, module, window] = main;
        if (present) {
            QFile script(dir.file("help.sh"));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("touch ran\n");
        }
        window.Instru->trigger();
        if (present) {
            QTRY_VERIFY(QFile::exists(dir.file("ran")));
            QVERIFY(prompt.informed.isEmpty());
        } else {
            QCOMPARE(prompt.informed,
                     QStringList{QStringLiteral("No instructions are installed: help.sh was not found in %1.").arg(dir.path())});
        }
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("version") << QStringList{"--version"} << 0 << "orvana-class " ORVANA_VERSION "\n";
        QTest::newRow("refuses to overwrite") << QStringList{"--init-demo", "@DIR@"} << 1
                                              << "orvana-class: @DIR@/Class.db exists already; nothing was changed.\n";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        testsupport::TestDataDir dir;
        arguments.replaceInStrings("@DIR@", dir.path());
        QProcess program;
        program.start(ORVANA_BINARY, arguments);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), exitCode);
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput() + program.readAllStandardError()),
                 output.replace("@DIR@", dir.path()));
    }
};

QTEST_MAIN(TestFrmCS)
#include "tst_frmcs.moc"
