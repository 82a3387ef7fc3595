#include "controls/Prompt.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace controls {

namespace {

class MessageBoxPrompt final : public Prompt {
public:
    void inform(const QString &text) override
    {
        QMessageBox box(QMessageBox::Information, kAppTitle, text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    }
    bool confirm(const QString &text) override
    {
        QMessageBox box(QMessageBox::Question, kAppTitle, text, QMessageBox::Yes | QMessageBox::No,
                        QApplication::activeWindow());
        return box.exec() == QMessageBox::Yes;
    }
    Choice choose(const QString &text) override
    {
        QMessageBox box(QMessageBox::Question, kAppTitle, text,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QApplication::activeWindow());
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Yes: return Choice::Yes;
        case QMessageBox::No: return Choice::No;
        default: return Choice::Cancel;
        }
    }
    Resolution resolve(const QString &text) override
    {
        QMessageBox box(QMessageBox::Warning, kAppTitle, text, QMessageBox::NoButton, QApplication::activeWindow());
        QPushButton *reload = box.addButton(QStringLiteral("Reload"), QMessageBox::AcceptRole);
        QPushButton *overwrite = box.addButton(QStringLiteral("Overwrite"), QMessageBox::DestructiveRole);
        QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == reload)
            return Resolution::Reload;
        if (box.clickedButton() == overwrite)
            return Resolution::Overwrite;
        return Resolution::Cancel;
    }
    QString chooseFile(FileChoice kind, const QString &caption, const QString &filter) override
    {
        QWidget *parent = QApplication::activeWindow();
        switch (kind) {
        case FileChoice::Open: return QFileDialog::getOpenFileName(parent, caption, {}, filter);
        case FileChoice::Save: return QFileDialog::getSaveFileName(parent, caption, {}, filter);
        case FileChoice::Folder: return QFileDialog::getExistingDirectory(parent, caption);
        }
        return {};
    }
    std::optional<QString> askPassword(const QString &text) override
    {
        bool ok = false;
        const QString password = QInputDialog::getText(QApplication::activeWindow(), kAppTitle, text,
                                                       QLineEdit::Password, {}, &ok);
        return ok ? std::optional<QString>(password) : std::nullopt;
    }
};

class ExecRunner final : public ModalRunner {
public:
    int run(QDialog &dialog) override { return dialog.exec(); }
};

MessageBoxPrompt g_messageBoxes;
Prompt *g_prompt = &g_messageBoxes;
ExecRunner g_exec;
ModalRunner *g_runner = &g_exec;

} // namespace

Prompt &Prompt::current()
{
    return *g_prompt;
}

void Prompt::install(Prompt *prompt)
{
    g_prompt = prompt ? prompt : &g_messageBoxes;
}

void inform(const QString &text)
{
    Prompt::current().inform(text);
}

bool confirm(const QString &text)
{
    return Prompt::current().confirm(text);
}

Choice choose(const QString &text)
{
    return Prompt::current().choose(text);
}

Resolution resolve(const QString &text)
{
    return Prompt::current().resolve(text);
}

QString chooseFile(FileChoice kind, const QString &caption, const QString &filter)
{
    return Prompt::current().chooseFile(kind, caption, filter);
}

ModalRunner &ModalRunner::current()
{
    return *g_runner;
}

void ModalRunner::install(ModalRunner *runner)
{
    g_runner = runner ? runner : &g_exec;
}

int openModal(QDialog &dialog)
{
    return ModalRunner::current().run(dialog);
}

std::optional<QString> askPassword(const QString &text)
{
    return Prompt::current().askPassword(text);
}

} // namespace controls
