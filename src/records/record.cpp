// SPDX-FileCopyrightText: 2026 The Zentrova developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record.h"

#include "framework/bankcatalog.h"
#include "framework/numbergrammar.h"
#include "framework/numbers.h"
#include "framework/strings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QStringList>

#include <algorithm>

namespace zentrova {

namespace {

constexpr QChar IdeographicSpace = u'\u3000';

// The catalogue's band that holds the total, the first where bands overlap.
QString bandText(const QString &window, std::optional<double> total)
{
    const BankTable *table = bankTableForWindow(window.toStdString());
    const auto band = table && total ? bandIndex(table->scoring.bands, *total) : std::nullopt;
    return band ? toQString(table->scoring.bands[*band].text) : QString();
}

struct Meaning {
    const char *window, *band, *words;
};

// Each band's meaning as its window words it beside the band: the heading
// the window gives it, or else the first sentence of its explanation.
const Meaning Meanings[] = {
    {"frm考试焦虑", "0－24", "镇定"},
    {"frm考试焦虑", "25－49", "轻度焦虑"},
    {"frm考试焦虑", "50－74", "中度焦虑"},
    {"frm考试焦虑", "75－99", "重度焦虑"},
    {"frm发挥自我潜能", "10－20分", "你习惯于盲目地追随别人，很少有自己的主见，做事人云亦云，缺乏个性。"},
    {"frm发挥自我潜能", "21－35分", "你有一定的自我意识，对事情也有自己的看法，但常常不能坚持，没有把想法付诸行动。"},
    {"frm发挥自我潜能", "36－50分", "你个性鲜明，有独立的见解，不轻易被别人左右，完全能够独立地开展工作。"},
    {"frm你聪明吗", "90分以上", "天才"},
    {"frm你聪明吗", "60分－90分", "聪明人"},
    {"frm你聪明吗", "30分－60分", "一般人"},
    {"frm你聪明吗", "30分以下", "迟钝的人"},
    {"frm知心朋友测试", "20－27分", "你肯定有一些好朋友。"},
    {"frm知心朋友测试", "14－19分", "你有一些朋友，但可能有时你并不真正理解他们。"},
    {"frm知心朋友测试", "10－13分", "你对自己比对其他人更感兴趣，有时会为了自己的方便去利用别人，所以很难得到长久的友谊。"},
    {"frm女性嫉妒心理", "30-35分", "A型：猜疑过度的异常嫉妒型"},
    {"frm女性嫉妒心理", "24－29分", "B型：姑娘特有的一般性嫉妒型"},
    {"frm女性嫉妒心理", "16－23分", "C型：心情不外露的自制型"},
    {"frm女性嫉妒心理", "8－15分", "D型：对周围环境无动于衷的迟钝型"},
    {"frm逻辑思维能力测试", "25个以上", "你的逻辑思维能力相当高，善于分析和推理，能够抓住问题的关键。"},
    {"frm逻辑思维能力测试", "15－25个", "你的逻辑思维能力一般，遇到复杂的问题时还需要多想一想。"},
    {"frm逻辑思维能力测试", "15个以下", "你的逻辑思维能力较差，思考问题容易凭直觉，应当多做一些推理方面的练习。"},
    {"frm惹人喜爱的女孩", "24－30分", "逐条捉鱼型"},
    {"frm惹人喜爱的女孩", "17－23分", "撒网捕鱼型"},
    {"frm惹人喜爱的女孩", "10－16分", "离水三尺钓鱼型"},
    {"frm你的爱情分值", "35分以上", "表明爱情很建康。"},
    {"frm你的爱情分值", "30－34分", "表明爱情基本建康。"},
    {"frm你的爱情分值", "25－29分", "表明爱情比较一般。"},
    {"frm你的爱情分值", "不足25分", "需要很好地检查、考虑了"},
    {"frm富有创造力", "70－90分", "表明你非常富有创造力。"},
    {"frm富有创造力", "50－69分", "表明你己超过平均水平。"},
    {"frm富有创造力", "30－49分", "表明你只达到平均水平。"},
    {"frm富有创造力", "10－29分", "表明低于一般水平。"},
    {"frm富有创造力", "10分以下", "则表明你不是一个有创造力的人。"},
    {"frm逻辑思考能力测试", "0－13分", "优秀"},
    {"frm逻辑思考能力测试", "14－19分", "良好"},
    {"frm逻辑思考能力测试", "20－25分", "中等"},
    {"frm逻辑思考能力测试", "26－48分", "不佳"},
    {"frm你可断吗", "0－6分", "你是一个非常优柔寡断的人，遇事总想让别人替你拿主意；即使作了决定，事后也常常犹豫反复。"},
    {"frm你可断吗", "7－15分", "你作决定时很谨慎，但遇到重大的事情就应付不了。"},
    {"frm你可断吗", "16－25分", "你处事果断，思路清晰，有条有理，经验也相当丰富。"},
    {"frm你可断吗", "26－更高分", "你过于专断，什么事情都由自己一个人决定，听不进别人的劝告，这会伤害你的下属。"},
    {"frm如何克服自卑感", "11－13分", "A型：环境变化造成自卑"},
    {"frm如何克服自卑感", "14－27分", "B型：理想过高造成的自卑"},
    {"frm如何克服自卑感", "28－41分", "C型：过早断定造成的自卑"},
    {"frm如何克服自卑感", "42－55分", "D型：性格懦弱造成的自卑"},
    {"frm知人善任的领导", "13－16分", "你善于发现、培养和选拔人才，是一个知人善任的管理者。"},
    {"frm知人善任的领导", "8－12分", "你是一个比较好的领导。"},
    {"frm知人善任的领导", "7分以下", "你缺乏发现和培养人才的能力，应当好好反省一下自己。"},
    {"frm具备管理素质", "45－50分", "你具备一个优秀管理者的素质。"},
    {"frm具备管理素质", "35－44分", "你基本具备管理者的素质，但还需要在某些方面加以改进。"},
    {"frm具备管理素质", "25－34分", "你的素质一般。"},
    {"frm具备管理素质", "15－24分", "你的素质较差。"},
    {"frm具备管理素质", "14分以下", "你不具备管理者的素质。"},
};

} // namespace

QString bandMeaning(const QString &window, const QString &band)
{
    for (const Meaning &meaning : Meanings) {
        if (window == QString::fromUtf8(meaning.window) && band == QString::fromUtf8(meaning.band))
            return QString::fromUtf8(meaning.words);
    }
    return {};
}

const ShownResult::Figure *Record::totalFigure() const
{
    const auto found = std::find_if(figures.begin(), figures.end(), [](const auto &figure) { return figure.name == TotalName; });
    return found == figures.end() ? nullptr : &*found;
}

std::optional<double> Record::total() const
{
    const ShownResult::Figure *figure = totalFigure();
    return figure ? numberShown(figure->value) : std::nullopt;
}

std::optional<double> Record::numberShown(const QString &value)
{
    // Read as the window reads its tally label ("23", "23分"), but a label
    // that shows no number shows no total, rather than a total of 0.
    const QStringView text = QStringView(value).trimmed();
    if (numberPrefixLength(text.utf16(), std::size_t(text.size())) == 0)
        return std::nullopt;
    return lenientNumber(value);
}

QString Record::conclusion() const
{
    const QString meaning = bandMeaning(window, verdict);
    return meaning.isEmpty() ? verdict : verdict + IdeographicSpace + meaning;
}

const QString Record::TotalName = QStringLiteral("总分");

QString Record::resultLine() const
{
    QStringList parts;
    for (const ShownResult::Figure &figure : figures)
        parts << figure.name + u' ' + figure.value;
    if (!verdict.isEmpty())
        parts << conclusion();
    return parts.join(IdeographicSpace);
}

Record Record::fromShown(const ShownResult &shown, const QString &caption, const QString &person, const QString &bankSha256,
                         const QString &group)
{
    Record record;
    record.window = shown.window;
    record.caption = caption;
    const QDateTime now = QDateTime::currentDateTime();
    record.finished = now.toOffsetFromUtc(now.offsetFromUtc());
    record.elapsedMinutes = shown.elapsedMinutes;
    record.figures = shown.figures;
    record.verdict = shown.verdict.isEmpty() ? bandText(shown.window, record.total()) : shown.verdict;
    record.answers = shown.answers;
    record.person = person;
    record.group = group;
    record.programVersion = QCoreApplication::applicationVersion();
    record.bankSha256 = bankSha256;
    return record;
}

QString fileSha256(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace zentrova
