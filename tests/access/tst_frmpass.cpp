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
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, txt(dialog, index), Qt::Key_unknown, QString(c), {});
}

void change(FrmPass &dialog, const QString &current, const QString &fresh, const QString &again)
{
    const std::pair<int, QString> boxes[] = {{3, current}, {1, fresh}, {2, again}};
    for (const auto &[index, text] : boxes) {
        txt(dialog, index)->clear();
        type(dialog, index, text);
    }
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

    void keysOnFirstUse_data()
    {
        QTest::addColumn<QString>("preset"); // raw value stored beforehand
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("unlocks");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Enter, nothing stored") << "" << 0 << int(Qt::Key_Return) << true << true;
        // 'A' less the shift falls below code 0.
        QTest::newRow("Enter, unreadable") << "A" << 0 << int(Qt::Key_Enter) << true << true;
        QTest::newRow("Esc") << "" << 0 << int(Qt::Key_Escape) << false << true;
        QTest::newRow("Esc in a change box") << "" << 1 << int(Qt::Key_Escape) << false << true;
        // The change boxes are filled rightly: Enter must not press CHANGE.
        QTest::newRow("Enter in current") << "" << 3 << int(Qt::Key_Return) << false << false;
        QTest::newRow("Enter in new again") << "" << 2 << int(Qt::Key_Return) << false << false;
    }
    void keysOnFirstUse()
    {
        QFETCH(QString, preset);
        QFETCH(int, box);
        QFETCH(int, key);
        QFETCH(bool, unlocks);
        QFETCH(bool, closes);
        if (!preset.isEmpty())
            stored().setValue(QStringLiteral("SEC/SEC"), preset);
        testsupport::ScriptedPrompt prompt;
        FrmPass dialog(m_menu.menuAction());
        dialog.show();
        type(dialog, 1, QStringLiteral("Ruby"));
        type(dialog, 2, QStringLiteral("Ruby"));

        QTest::keyClick(txt(dialog, box), Qt::Key(key));

        QCOMPARE(m_menu.menuAction()->isVisible(), unlocks);
        QCOMPARE(dialog.isVisible(), !closes);
        QCOMPARE(dialog.result(), int(unlocks ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(prompt.informed, QStringList());
        QCOMPARE(raw(), preset.isEmpty() ? QVariant() : QVariant(preset));
    }

    void changedPasswordAlone_data()
    {
        QTest::addColumn<bool>("sameWindow");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("unlocks");
        QTest::newRow("new, same window") << true << "Ruby7Ruby7" << true;
        QTest::newRow("new, next window") << false << "Ruby7Ruby7" << true;
        QTest::newRow("old") << false << "Opal" << false;
        QTest::newRow("letter case") << false << "ruby7ruby7" << false;
        QTest::newRow("eleventh character cut") << false << "Ruby7Ruby7X" << true;
    }
    void changedPasswordAlone()
    {
        QFETCH(bool, sameWindow);
        QFETCH(QString, typed);
        QFETCH(bool, unlocks);
        testsupport::ScriptedPrompt prompt;
        FrmPass first(m_menu.menuAction());
        first.show();
        change(first, QString(), QStringLiteral("Opal"), QStringLiteral("Opal"));
        change(first, QStringLiteral("Opal"), QStringLiteral("Ruby7Ruby7"), QStringLiteral("Ruby7Ruby7"));
        QCOMPARE(prompt.informed, QStringList({"Password Changed", "Password Changed"}));
        QVERIFY(first.isVisible());
        prompt.informed.clear();

        FrmPass next(m_menu.menuAction());
        FrmPass &dialog = sameWindow ? first : next;
        dialog.show();
        type(dialog, 0, typed);
        QTest::keyClick(txt(dialog, 0), Qt::Key_Return);

        QCOMPARE(m_menu.menuAction()->isVisible(), unlocks);
        QCOMPARE(dialog.isVisible(), !unlocks);
        QCOMPARE(prompt.informed, unlocks ? QStringList() : QStringList({"Invalid Password"}));
        QCOMPARE(txt(dialog, 0)->selectedText(), unlocks ? QString() : typed);
    }

    void refusedChange_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("again");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong current") << "opal" << "Ruby" << "Ruby"
                                       << "The current password is not correct." + kNotChanged;
        QTest::newRow("repetition differs")
            << "Opal" << "Ruby" << "Rubi"
            << "The new password and its repetition differ." + kNotChanged;
        QTest::newRow("outside the code page")
            << "Opal" << QStringLiteral("R\u03A9by") << QStringLiteral("R\u03A9by")
            << QStringLiteral("The character \"\u03A9\" cannot be used in a password.") + kNotChanged;
        QTest::newRow("shifted past the code page")
            << "Opal" << QStringLiteral("caf\u00E9") << QStringLiteral("caf\u00E9")
            << QStringLiteral("The character \"\u00E9\" cannot be used in a password.") + kNotChanged;
    }
    void refusedChange()
    {
        QFETCH(QString, current);
        QFETCH(QString, fresh);
        QFETCH(QString, again);
        QFETCH(QString, message);
        testsupport::ScriptedPrompt prompt;
        FrmPass dialog(m_menu.menuAction());
        dialog.show();
        change(dialog, QString(), QStringLiteral("Opal"), QStringLiteral("Opal"));
        const QVariant before = raw();
        prompt.informed.clear();

        change(dialog, current, fresh, again);

        QCOMPARE(prompt.informed, QStringList({message}));
        QCOMPARE(raw(), before);
        type(dialog, 0, QStringLiteral("Opal"));
        QTest::keyClick(txt(dialog, 0), Qt::Key_Return);
        QVERIFY(m_menu.menuAction()->isVisible());
    }

    void storedFormIsShifted_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("scrambled");
        // Windows-1252 code + 126; ' ' and '!' land where the page is not Latin-1.
        QTest::newRow("letters, digit") << "Ab1~" << QStringLiteral("\u00BF\u00E0\u00AF\u00FC");
        QTest::newRow("blank, bang") << " !" << QStringLiteral("\u017E\u0178");
    }
    void storedFormIsShifted()
    {
        QFETCH(QString, plain);
        QFETCH(QString, scrambled);
        testsupport::ScriptedPrompt prompt;
        FrmPass dialog(m_menu.menuAction());
        change(dialog, QString(), plain, plain);
        QCOMPARE(raw(), QVariant(scrambled));

        // A value kept there by the earlier program reads back too.
        stored().setValue(QStringLiteral("SEC/SEC"), scrambled);
        FrmPass next(m_menu.menuAction());
        type(next, 0, plain);
        QTest::keyClick(txt(next, 0), Qt::Key_Return);
        QVERIFY(m_menu.menuAction()->isVisible());
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

        QCOMPARE(prompt.informed,
                 QStringList({"The new password could not be stored." + kNotChanged}));
        FrmPass next(m_menu.menuAction());
        for (FrmPass *window : {&dialog, &next}) {
            m_menu.menuAction()->setVisible(false);
            QTest::keyClick(txt(*window, 0), Qt::Key_Return);
            QVERIFY(m_menu.menuAction()->isVisible());
        }
    }
};

QTEST_MAIN(TstFrmPass)
#include "tst_frmpass.moc"
