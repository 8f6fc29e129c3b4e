// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "runstore.h"

#include "centre/centrefile.h"
#include "centre/personcode.h"
#include "centre/seatstore.h"
#include "centre/serverstore.h"
#include "centre/terminal.h"
#include "records/localstore.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>

namespace zentrova {

namespace {

std::optional<QString> passwordOnTerminal(const QString &prompt)
{
    const auto password = askOnTerminal(prompt.toStdString(), false);
    if (!password)
        return std::nullopt;
    return QString::fromStdString(*password);
}

// Asked for by the store's thread; the dialog belongs on the application's,
// which goes on painting meanwhile and never waits for the store.
std::optional<QString> passwordInDialog(const QString &prompt)
{
    std::optional<QString> password;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            bool ok = false;
            const QString given
                = QInputDialog::getText(QApplication::activeWindow(), QStringLiteral("测评中心"), prompt, QLineEdit::Password, {}, &ok);
            if (ok)
                password = given;
        },
        Qt::BlockingQueuedConnection);
    return password;
}

} // namespace

std::unique_ptr<Store> openRunStore(PasswordPrompt prompt)
{
    if (isSeat())
        return std::make_unique<SeatStore>();
    if (isCounsellor()) {
        const Centre &centre = *currentCentre().centre;
        auto store = std::make_unique<ServerStore>(centre.connection, QString(), centre.insecureTransport);
        store->setPasswordAsker(prompt == PasswordPrompt::Dialog ? passwordInDialog : passwordOnTerminal);
        return store;
    }
    return std::make_unique<LocalStore>(RecordStore::defaultPath());
}

QString personOfRun(const QString &given, QString *person)
{
    *person = given;
    if (!isSeat())
        return {};
    const QString code = QString::fromStdString(normalPersonCode(given.toStdString()));
    if (!isPersonCode(code.toStdString()))
        return QStringLiteral("“%1”不是有效的测评码：测评码由数字和最后一位校验码（0–9 或 X）组成。").arg(given);
    *person = code;
    return {};
}

} // namespace zentrova
