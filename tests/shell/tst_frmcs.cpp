#include "definer/ClassDefiner.h"
#include "shell/FrmCS.h"
#include "store/ClassModule.h"
#include "support/TestSupport.h"

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>

namespace {

QStringList visibleMenus(const FrmCS &window)
{
    QStringList titles;
    for (QAction *action : window.menuBar()->actions())
        if (action->isVisible())
            titles.append(action->text());
    return titles;
}

// Caption, shortcut and enabled state of every entry; "-" for a separator.
QStringList entries(const QMenu *menu)
{
    QStringList result;
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator())
            result.append("-");
        else
            result.append(action->text() + "|" + action->shortcut().toString() + (action->isEnabled() ? "" : "|off"));
    }
    return result;
}

} // namespace

class TestFrmCS : public QObject {
    Q_OBJECT

private slots:
    void menus()
    {
        testsupport::TestDataDir dir;
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        QCOMPARE(window.windowTitle(), QStringLiteral("Orvana Cut / Symmetry Definer"));
        QCOMPARE(visibleMenus(window), (QStringList{"&File", "Options", "Help"}));
        QCOMPARE(entries(window.MnuFile),
                 (QStringList{"Save|Ctrl+S", "Copy As|", "-", "&Create|Ctrl+N", "-", "Delete|", "-", "Print|Ctrl+P|off",
                              "-", "Import|Ctrl+I|off", "Export|Ctrl+E|off", "-", "Back up||off", "-", "Update Shapes|",
                              "-", "E&xit|"}));
        QCOMPARE(entries(window.MnuOptions), (QStringList{"Multiple Institute|", "OMZ Symmetry|", "Desciption|"}));
        QCOMPARE(entries(window.mnuSettings), (QStringList{"Parameters|", "Shapes|"}));
        QCOMPARE(entries(window.helppp), (QStringList{"Instructions|", "About|"}));
        window.mnuSettings->menuAction()->setVisible(true);
        QCOMPARE(visibleMenus(window), (QStringList{"&File", "Options", "Settings", "Help"}));
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
        testsupport::TestDataDir dir;
        testsupport::ScriptedModal modal;
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
        window.Form_Load();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.definer->nName->setFocus();
        QTest::keyClick(window.definer->nName, Qt::Key_F8, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(modal.opened, opened);
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
        testsupport::TestDataDir dir;
        testsupport::ScriptedPrompt prompt;
        if (present) {
            QFile script(dir.file("help.sh"));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("touch ran\n");
        }
        store::ClassModule module{store::DataDir(dir.path())};
        FrmCS window(module);
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
