#include "controls/FlexGrid.h"
#include "controls/ReportList.h"
#include "definer/ClassDefiner.h"
#include "definer/RuleSetPanel.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {

// The main window on a fresh data directory, loaded as the program starts it.
struct MainWindow {
    explicit MainWindow(const QString &sql = {})
    {
        dir.exec(sql);
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
    ENGINE_ROWS

    // Each item once, by its shortcut where it has one: what it did. The
    // password window opens by exactly Shift+F8.
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
        QTest::newRow("Instructions, none installed")
            << "Instru" << "" << "" << yes << "informed No instructions are installed: help.sh was not found in @DIR@.";
        QTest::newRow("Shift+F8") << "" << "Shift+F8" << "" << yes << "opened Password";
        QTest::newRow("Ctrl+Shift+F8") << "" << "Ctrl+Shift+F8" << "" << yes << "";
        QTest::newRow("F8") << "" << "F8" << "" << yes << "";
    }

    void menuItems()
    {
        QFETCH(QString, item);
        QFETCH(QString, key);
        QFETCH(QString, edit);
        QFETCH(int, answer);
        MainWindow main("INSERT INTO CutPara VALUES ('Brilliant',1,'TablePct','Table %');\n"
                        "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\nINSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n");
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
        // A button (focused first) or, with no item, the window takes the key.
        QWidget *button = item.isEmpty() ? nullptr : window.findChild<QWidget *>(item);
        if (item == QLatin1String("close")) {
            window.close();
        } else if (key.isEmpty()) {
            window.findChild<QAction *>(item)->trigger();
        } else {
            if (button)
                button->setFocus();
            QTest::keyClick(button ? button : &window, QKeySequence(key)[0].key(), QKeySequence(key)[0].keyboardModifiers());
            QTest::qWait(200); // a button's click is animated
        }
        QStringList effect;
        auto add = [&](const QString &how, const QStringList &texts) {
            for (const QString &text : texts)
                effect << how + text;
        };
        add("asked ", prompt.confirmed);
        add("opened ", modal.opened);
        add("stored ", dir.rows("SELECT \"cMin\" FROM CutData"));
        add("informed ", prompt.informed);
        add("closed", window.isVisible() ? QStringList() : QStringList{""});
        QCOMPARE(window.windowTitle(), QStringLiteral("Orvana Cut / Symmetry Definer"));
        // Settings stays hidden until the password window unlocks it.
        QVERIFY(!window.mnuSettings->menuAction()->isVisible());
        QTEST(effect.join("; ").replace(dir.path(), "@DIR@"), "effect");
        if (!offered.isNull())
            QCOMPARE(offered, QStringLiteral("Brilliant"));
    }

    // Edit stands after File, the old menus as they were; its items name
    // the step they undo and redo, and take their keys.
    void editMenu()
    {
        MainWindow main("INSERT INTO CutPara VALUES ('Brilliant',1,'TablePct','Table %');\n"
                        "INSERT INTO CutLab VALUES ('Brilliant','AGL','');\nINSERT INTO Cut VALUES ('Brilliant','AGL',0,'Excellent');\n");
        FrmCS &window = main.window;
        QStringList shown;
        for (const QAction *menu : window.menuBar()->actions())
            shown << (menu->isVisible() ? menu->text() : QString());
        QCOMPARE(shown, (QStringList{"&File", "&Edit", "Options", "", "Help"}));
        auto items = [&] {
            QStringList texts;
            for (const QAction *item : window.MnuEdit->actions())
                texts << item->text() + ' ' + item->shortcuts().value(0).toString() + ' ' + item->shortcuts().value(1).toString();
            return texts;
        };
        const QString cell = "Table % / Excellent Min";
        QTest::mouseClick(window.definer->panel->msf->viewport(), Qt::LeftButton, {}, QPoint(180, 45));
        QTest::keyClicks(window.definer->panel->Txt, "77");
        QCOMPARE(items(), (QStringList{"Undo typing in " + cell + " Ctrl+Z ", "Redo Ctrl+Y Ctrl+Shift+Z"}));
        QTest::keyClick(window.definer->panel->Txt, Qt::Key_Return);
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(window.definer->panel->msf->textMatrix(2, 1), QString());
        QCOMPARE(items(), (QStringList{"Undo Ctrl+Z ", "Redo typing in " + cell + " Ctrl+Y Ctrl+Shift+Z"}));
    }

    // Instructions runs help.sh from the data directory (a row above: none there).
    void instructionsRunHelpSh()
    {
        MainWindow main;
        QFile script(main.dir.file("help.sh"));
        QVERIFY(script.open(QIODevice::WriteOnly) && script.write("touch ran\n") > 0);
        script.close();
        main.window.Instru->trigger();
        QTRY_VERIFY(QFile::exists(main.dir.file("ran")));
        QCOMPARE(main.prompt.informed, QStringList());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("version") << QStringList{"--version"} << 0 << "orvana-class " ORVANA_VERSION "\n";
        QTest::newRow("refuses to overwrite") << QStringList{"--init-demo", "@DIR@"} << 1
                                              << "orvana-class: @DIR@/@FIRST@ exists already; nothing was changed.\n";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        testsupport::TestDataDir dir;
        // On a server the databases are not files: the first file is Shapes.txt.
        output.replace("@FIRST@", dir.onServer() ? "Shapes.txt" : "Class.db");
        QCOMPARE(testsupport::runProgram(arguments.replaceInStrings("@DIR@", dir.path())),
                 std::make_pair(exitCode, output.replace("@DIR@", dir.path())));
    }
};

QTEST_MAIN(TestFrmCS)
#include "tst_frmcs.moc"
