// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fonts.h"

#include <QApplication>
#include <QFont>

namespace zentrova {

void installFontSubstitutions()
{
    struct Substitution {
        const char *family;
        QStringList faces;
    };
    const Substitution table[] = {
        {"宋体", {"AR PL SungtiL GB", "AR PL UMing CN"}},
        {"新宋体", {"AR PL SungtiL GB", "AR PL UMing CN"}},
        {"楷体_GB2312", {"AR PL KaitiM GB", "AR PL UKai CN"}},
        {"隶书", {"AR PL KaitiM GB", "AR PL UKai CN"}},
        {"华文行楷", {"AR PL KaitiM GB", "AR PL UKai CN"}},
        {"华文中宋", {"AR PL SungtiL GB", "AR PL UMing CN"}},
        {"华文彩云", {"WenQuanYi Zen Hei", "AR PL UMing CN"}},
    };
    for (const Substitution &s : table)
        QFont::insertSubstitutions(QString::fromUtf8(s.family), s.faces);

    // Controls without a font of their own use the system's 9-point 宋体.
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
}

} // namespace zentrova
