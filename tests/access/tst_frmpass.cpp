#include "access/FrmPass.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

// Where the earlier program kept the password, spelled out on purpose.
QSettings stored()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QStringLiteral("VB and VBA Program Settings"), QStringLiteral("VARDO7731"));
}

QVariant raw() { return stored().value(QStringLiteral("SEC/SEC")); }

QLineEdit *txt(FrmPass &dialog, int index)
{
    return dialog.findChild<QLineEdit *>(QStringLiteral("Txt%1").arg(index));
}

// setText keeps to the boxes' length limit as typing does.
void change(FrmPass &dialog, const QString &current, const QString &fresh, const QString &again)
{
    txt(dialog, 3)->setText(current);
    txt(dialog, 1)->setText(fresh);
    txt(dialog, 2)->setText(again);
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("BtnChnage")), Qt::LeftButton);
}

const QString kNotChanged = QStringLiteral(" The password was not changed.");

} // namespace

class TstFrmPass : public QObject {
    Q_OBJECT
    QMenu m_menu;

private slots:
    void initTestCase() { testsupport::isolateSettings(); }
    void init()
    {
        stored().remove(QStringLiteral("SEC"));
        m_menu.menuAction()->setVisible(false);
    }

    // input: "current|fresh|again" given to CHANGE in an earlier window,
    // after Opal was set; "said" is its answer, "scrambled" what is stored:
    // Windows-1252 code + 126 (' ' and '!' land where the page is not
    // Latin-1). "!" first: a folder where the settings file belongs, so no
    // write succeeds. "=A": "A" stored as is, a value no password scrambles
    // to ('A' less the shift falls below code 0). Then Enter in the box typed into.
    void unlocking_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("scrambled");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("unlocks");
        QTest::addColumn<QString>("message");
        const QString ruby = QStringLiteral("Opal|Ruby7Ruby7|Ruby7Ruby7"), done = QStringLiteral("Password Changed");
        const QString rubyScrambled = QStringLiteral("\u00D0\u00F3\u00E0\u00F7\u00B5").repeated(2),
                      opal = QStringLiteral("\u00CD\u00EE\u00DF\u00EA");
        QTest::newRow("first use") << "" << "" << "" << 0 << "" << true << "";
        // Still read as empty, but said once as the window opens.
        QTest::newRow("unreadable") << "=A" << "" << "A" << 0 << "" << true
                                    << "The stored password could not be read; set a new one with CHANGE.";
        // CHANGE would store the filled-in Ruby: Enter must not press it.
        QTest::newRow("Enter in current") << "" << "" << "" << 3 << "" << false << "";
        QTest::newRow("new") << ruby << done << rubyScrambled << 0 << "Ruby7Ruby7" << true << "";
        QTest::newRow("old") << ruby << done << rubyScrambled << 0 << "Opal" << false << "Invalid Password";
        QTest::newRow("eleventh character cut") << ruby << done << rubyScrambled << 0 << "Ruby7Ruby7X" << true << "";
        QTest::newRow("blank, bang") << "Opal| !| !" << done << QStringLiteral("\u017E\u0178") << 0 << " !" << true << "";
        QTest::newRow("wrong current") << "opal|Ruby|Ruby" << "The current password is not correct." + kNotChanged
                                       << opal << 0 << "Opal" << true << "";
        QTest::newRow("repetition differs") << "Opal|Ruby|Rubi" << "The new password and its repetition differ." + kNotChanged
                                            << opal << 0 << "Opal" << true << "";
        QTest::newRow("shifted past the code page")
            << QStringLiteral("Opal|caf\u00E9|caf\u00E9")
            << QStringLiteral("The character \"\u00E9\" cannot be used in a password.") + kNotChanged << opal << 0
            << "Opal" << true << "";
        QTest::newRow("not stored") << "!|Ruby|Ruby" << "The new password could not be stored." + kNotChanged << ""
                                    << 0 << "" << true << "";
    }
    void unlocking()
    {
        QFETCH(QString, input);
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(bool, unlocks);
        QFETCH(QString, message);
        testsupport::ScriptedPrompt prompt;
        const QString file = stored().fileName();
        if (input.startsWith(u'!'))
            QVERIFY((QFile::remove(file), QDir().mkpath(file)));
        if (input.startsWith(u'=')) {
            stored().setValue(QStringLiteral("SEC/SEC"), input.mid(1));
        } else if (!input.isEmpty()) {
            FrmPass earlier(m_menu.menuAction());
            change(earlier, QString(), QStringLiteral("Opal"), QStringLiteral("Opal"));
            prompt.informed.clear();
            QStringList boxes = input.split(u'|');
            change(earlier, boxes[0].remove(u'!'), boxes[1], boxes[2]);
            if (input.startsWith(u'!'))
                QVERIFY(QDir(file).removeRecursively());
            QTEST(prompt.informed.join(u'\n'), "said");
            QTEST(raw().toString(), "scrambled");
            prompt.informed.clear();
        }
        FrmPass dialog(m_menu.menuAction());
        dialog.show();
        QCoreApplication::processEvents();
        const QVariant before = raw();
        txt(dialog, 1)->setText(QStringLiteral("Ruby"));
        txt(dialog, 2)->setText(QStringLiteral("Ruby"));
        txt(dialog, box)->setText(typed);
        QTest::keyClick(txt(dialog, box), Qt::Key_Return);
        QCOMPARE(m_menu.menuAction()->isVisible(), unlocks);
        QCOMPARE(dialog.isVisible(), !unlocks);
        QCOMPARE(prompt.informed, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(txt(dialog, 0)->selectedText(), message.isEmpty() || unlocks ? QString() : typed);
        QCOMPARE(raw(), before);
    }
};

QTEST_MAIN(TstFrmPass)
#include "tst_frmpass.moc"
