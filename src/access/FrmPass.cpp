#include "access/FrmPass.h"

#include "access/PasswordStore.h"
#include "controls/Prompt.h"
#include "controls/Twips.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel *addLabel(QWidget *parent, const char *name, const QString &text, int left, int top,
                 int width, int height)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    controls::place(label, left, top, width, height);
    return label;
}

} // namespace

FrmPass::FrmPass(QAction *settingsMenu, QWidget *parent)
    : QDialog(parent), m_settingsMenu(settingsMenu)
{
    setWindowTitle(QStringLiteral("Password"));
    setFont(controls::makeFont(QStringLiteral("Arial"), 8, false));
    setFixedSize(controls::twips(4245), controls::twips(2625));

    struct Box {
        int left, top, width, height;
        const char *toolTip;
    };
    static constexpr Box kBoxes[4] = {
        {1590, 210, 2415, 330, "Enter current password and press enter to view settings"},
        {1590, 1380, 2415, 330, "Enter new password"},
        {1590, 1740, 2415, 330, "Enter new password"},
        {1590, 1020, 2415, 330, "Enter current password"},
    };
    for (int i = 0; i < 4; ++i) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("Txt%1").arg(i));
        box->setMaxLength(10);
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
        box->setToolTip(QString::fromLatin1(kBoxes[i].toolTip));
        controls::place(box, kBoxes[i].left, kBoxes[i].top, kBoxes[i].width, kBoxes[i].height);
        m_txt[i] = box;
    }
    m_txt[0]->installEventFilter(this);

    addLabel(this, "Cap0", QStringLiteral(" Current"), 240, 240, 765, 240);
    addLabel(this, "Caps", QStringLiteral("PASSWORD RESET"), 240, 660, 3765, 285);
    addLabel(this, "Cap3", QStringLiteral(" Current"), 210, 1020, 765, 240);
    addLabel(this, "Cap1", QStringLiteral(" Enter New"), 210, 1380, 1035, 240);
    addLabel(this, "Cap2", QStringLiteral(" Re-Type New"), 210, 1770, 1320, 240);
    addLabel(this, "Label1", QStringLiteral("MAX LENGTH 10"), 1770, 2160, 1275, 210);

    m_change = new QPushButton(QStringLiteral("CHANGE"), this);
    m_change->setObjectName(QStringLiteral("BtnChnage"));
    m_change->setToolTip(QStringLiteral("Click to change password"));
    // Enter in a box must never press CHANGE: that would store unasked.
    m_change->setAutoDefault(false);
    m_change->setDefault(false);
    controls::place(m_change, 3090, 2100, 915, 345);
    connect(m_change, &QPushButton::clicked, this, &FrmPass::changePassword);

    setTabOrder(m_txt[0], m_txt[3]);
    setTabOrder(m_txt[3], m_txt[1]);
    setTabOrder(m_txt[1], m_txt[2]);
    setTabOrder(m_txt[2], m_change);
    m_txt[0]->setFocus();

    const std::optional<QString> stored = PasswordStore::load();
    m_storedPassword = stored.value_or(QString());
    m_unreadable = !stored;
}

void FrmPass::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Said once, over the window, after it has appeared: an office that
    // carried an old value over would otherwise stand unprotected unawares.
    if (m_unreadable) {
        m_unreadable = false;
        QMetaObject::invokeMethod(
            this, [] { controls::inform(QStringLiteral("The stored password could not be read; set a new one with CHANGE.")); },
            Qt::QueuedConnection);
    }
}

bool FrmPass::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txt[0] && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            unlock();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmPass::unlock()
{
    if (m_txt[0]->text() != m_storedPassword) {
        controls::inform(QStringLiteral("Invalid Password"));
        m_txt[0]->selectAll();
        return;
    }
    if (m_settingsMenu)
        m_settingsMenu->setVisible(true);
    accept();
}

void FrmPass::changePassword()
{
    const QString newPassword = m_txt[1]->text();
    if (m_txt[3]->text() != m_storedPassword) {
        controls::inform(QStringLiteral(
            "The current password is not correct. The password was not changed."));
        return;
    }
    if (m_txt[2]->text() != newPassword) {
        controls::inform(QStringLiteral(
            "The new password and its repetition differ. The password was not changed."));
        return;
    }
    const qsizetype bad = PasswordStore::firstUnstorable(newPassword);
    if (bad >= 0) {
        // Show a character outside the BMP whole, not half of it.
        const bool pair = newPassword.at(bad).isHighSurrogate() && bad + 1 < newPassword.size();
        controls::inform(QStringLiteral("The character \"%1\" cannot be used in a password. "
                                        "The password was not changed.")
                             .arg(newPassword.mid(bad, pair ? 2 : 1)));
        return;
    }
    if (!PasswordStore::save(newPassword)) {
        controls::inform(QStringLiteral(
            "The new password could not be stored. The password was not changed."));
        return;
    }
    m_storedPassword = newPassword;
    controls::inform(QStringLiteral("Password Changed"));
}
