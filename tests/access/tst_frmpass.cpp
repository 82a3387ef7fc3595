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

// Key by key, so the length limit applies; keyClicks takes Latin-1 only.
void type(FrmPass &dialog, int index, const QString &text)
{
    txt(dialog, index)->clear();
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, txt(dialog, index), Qt::Key_unknown, QString(c), {});
}

void change(FrmPass &dialog, const QString &current, const QString &fresh, const QString &again)
{
    type(dialog, 3, current);
    type(dialog, 1, fresh);
    type(dialog, 2, again);
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("BtnChnage")), Qt::LeftButton);
}

const QString kNotChanged = QStringLiteral(" The password was not changed.");

} // namespace

class TstFrmPass : public QObject {
    Q_OBJECT
    QMenu m_menu;

    bool unlocksWith(const QString &password)
    {
        m_menu.menuAction()->setVisible(false);
        FrmPass dialog(m_menu.menuAction());
        type(dialog, 0, password);
        QTest::keyClick(txt(dialog, 0), Qt::Key_Return);
        return m_menu.menuAction()->isVisible();
    }

private slots:
    void initTestCase() { testsupport::isolateSettings(); }
    void init()
    {
        stored().remove(QStringLiteral("SEC"));
        m_menu.menuAction()->setVisible(false);
    }

    void unlocking_data()
    {
        // 0: nothing stored; -1: a value no password scrambles to ('A' less the
        // shift falls below code 0); Opal, then Ruby7Ruby7: 1 in an earlier window, 2 in this.
        QTest::addColumn<int>("changed");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("unlocks");
        QTest::addColumn<QString>("message");
        const int enter = Qt::Key_Return, esc = Qt::Key_Escape;
        QTest::newRow("first use, Enter") << 0 << 0 << "" << enter << true << "";
        // Still read as empty, but said once as the window opens.
        QTest::newRow("unreadable, Enter") << -1 << 0 << "" << enter << true
                                           << "The stored password could not be read; set a new one with CHANGE.";
        QTest::newRow("first use, Esc") << 0 << 0 << "" << esc << false << "";
        // CHANGE would store the filled-in Ruby: Enter must not press it.
        QTest::newRow("Enter in current") << 0 << 3 << "" << enter << false << "";
        QTest::newRow("new, same window") << 2 << 0 << "Ruby7Ruby7" << enter << true << "";
        QTest::newRow("new, next window") << 1 << 0 << "Ruby7Ruby7" << enter << true << "";
        QTest::newRow("old") << 1 << 0 << "Opal" << enter << false << "Invalid Password";
        QTest::newRow("letter case") << 1 << 0 << "ruby7ruby7" << enter << false << "Invalid Password";
        QTest::newRow("eleventh character cut") << 1 << 0 << "Ruby7Ruby7X" << enter << true << "";
    }
    void unlocking()
    {
        QFETCH(int, changed);
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(bool, unlocks);
        QFETCH(QString, message);
        testsupport::ScriptedPrompt prompt;
        if (changed < 0)
            stored().setValue(QStringLiteral("SEC/SEC"), QStringLiteral("A"));
        FrmPass first(m_menu.menuAction());
        first.show();
        if (changed > 0) {
            change(first, QString(), QStringLiteral("Opal"), QStringLiteral("Opal"));
            change(first, QStringLiteral("Opal"), QStringLiteral("Ruby7Ruby7"), QStringLiteral("Ruby7Ruby7"));
            QCOMPARE(prompt.informed, QStringList({"Password Changed", "Password Changed"}));
            prompt.informed.clear();
        }
        FrmPass next(m_menu.menuAction());
        FrmPass &dialog = changed == 1 ? next : first;
        dialog.show();
        QCoreApplication::processEvents();
        const QVariant before = raw();
        type(dialog, 1, QStringLiteral("Ruby"));
        type(dialog, 2, QStringLiteral("Ruby"));
        type(dialog, box, typed);

        QTest::keyClick(txt(dialog, box), Qt::Key(key));

        QCOMPARE(m_menu.menuAction()->isVisible(), unlocks);
        QCOMPARE(dialog.isVisible(), !unlocks && key != Qt::Key_Escape);
        QCOMPARE(prompt.informed, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(txt(dialog, 0)->selectedText(), message.isEmpty() ? QString() : typed);
        QCOMPARE(raw(), before);
    }

    void changing_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("again");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("scrambled"); // null: the stored Opal kept
        auto refused = [](const char *name, const QString &current, const QString &fresh, const QString &again,
                          const QString &why) {
            QTest::newRow(name) << current << fresh << again << why + kNotChanged << QString();
        };
        // Windows-1252 code + 126; ' ' and '!' land where the page is not Latin-1.
        QTest::newRow("letters, digit") << "Opal" << "Ab1~" << "Ab1~" << "Password Changed" << QStringLiteral("\u00BF\u00E0\u00AF\u00FC");
        QTest::newRow("blank, bang") << "Opal" << " !" << " !" << "Password Changed" << QStringLiteral("\u017E\u0178");
        refused("wrong current", "opal", "Ruby", "Ruby", "The current password is not correct.");
        refused("repetition differs", "Opal", "Ruby", "Rubi", "The new password and its repetition differ.");
        refused("outside the code page", "Opal", QStringLiteral("R\u03A9by"), QStringLiteral("R\u03A9by"),
                QStringLiteral("The character \"\u03A9\" cannot be used in a password."));
        refused("shifted past the code page", "Opal", QStringLiteral("caf\u00E9"), QStringLiteral("caf\u00E9"),
                QStringLiteral("The character \"\u00E9\" cannot be used in a password."));
    }
    void changing()
    {
        QFETCH(QString, current);
        QFETCH(QString, fresh);
        QFETCH(QString, again);
        QFETCH(QString, message);
        QFETCH(QString, scrambled);
        testsupport::ScriptedPrompt prompt;
        FrmPass dialog(m_menu.menuAction());
        change(dialog, QString(), QStringLiteral("Opal"), QStringLiteral("Opal"));
        const QVariant before = raw();
        prompt.informed.clear();

        change(dialog, current, fresh, again);

        QCOMPARE(prompt.informed, QStringList({message}));
        QCOMPARE(raw(), scrambled.isNull() ? before : QVariant(scrambled));
        // The raw form is the earlier program's: reading it back is checked too.
        QVERIFY(unlocksWith(scrambled.isNull() ? QStringLiteral("Opal") : fresh));
    }

    void failedWriteKeepsOldPassword()
    {
        // A folder where the settings file belongs makes the write fail.
        const QString file = stored().fileName();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        testsupport::ScriptedPrompt prompt;
        FrmPass dialog(m_menu.menuAction());
        change(dialog, QString(), QStringLiteral("Ruby"), QStringLiteral("Ruby"));
        QVERIFY(QDir(file).removeRecursively());

        QCOMPARE(prompt.informed, QStringList({"The new password could not be stored." + kNotChanged}));
        QTest::keyClick(txt(dialog, 0), Qt::Key_Return);
        QVERIFY(m_menu.menuAction()->isVisible());
        QVERIFY(unlocksWith(QString()));
    }
};

QTEST_MAIN(TstFrmPass)
#include "tst_frmpass.moc"
