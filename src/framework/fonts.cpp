// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fonts.h"

#include <QApplication>
#include <QFont>

namespace zentrova {

// Each name maps to a face that draws its bold as the family's own bold:
// - the song names (宋体, 新宋体, 华文中宋) to Noto Serif CJK SC, which has a
//   real Bold. The AR PL song faces have none, and the emboldening Qt adds
//   in their place reads as a sans face beside regular song text;
// - the decorative 华文彩云, which words only the Latin "Zentrova", to DejaVu
//   Sans and its real Bold, with Noto Sans CJK SC for any Chinese: a CJK
//   face costs megabytes of memory the moment it is opened, and this one
//   would be opened at every start for eight Latin letters. The Noto faces
//   ask for taller lines than the windows were drawn for; TextBox and
//   TextLabel (textwidgets.h) set their lines closer;
// - the kai names (楷体_GB2312, and 隶书 and 华文行楷, which Debian has no
//   face for) stay on AR PL KaitiM GB, with AR PL UKai CN for what GB2312
//   lacks. No kai face has a bold, so Qt emboldens the outlines, which keeps
//   the strokes kai; Qt does so below 64 pixels, and the largest bold kai
//   text, 20 points, is 54 pixels even at twice the scale.
void installFontSubstitutions()
{
    struct Substitution {
        const char *family;
        QStringList faces;
    };
    const Substitution table[] = {
        {"宋体", {"Noto Serif CJK SC"}},
        {"新宋体", {"Noto Serif CJK SC"}},
        {"华文中宋", {"Noto Serif CJK SC"}},
        {"楷体_GB2312", {"AR PL KaitiM GB", "AR PL UKai CN"}},
        {"隶书", {"AR PL KaitiM GB", "AR PL UKai CN"}},
        {"华文行楷", {"AR PL KaitiM GB", "AR PL UKai CN"}},
        {"华文彩云", {"DejaVu Sans", "Noto Sans CJK SC"}},
    };
    for (const Substitution &s : table)
        QFont::insertSubstitutions(QString::fromUtf8(s.family), s.faces);

    // Controls without a font of their own use the system's 9-point 宋体.
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
}

} // namespace zentrova
