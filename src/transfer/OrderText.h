#pragma once

// The text of a pasted order as the order-line reader (OrderLines.cpp) takes
// it in: HTML written out, quoted lines found, and each line cut into the
// entries it holds (sentences, clauses, memo pieces).

#include <QList>
#include <QString>
#include <QStringList>

namespace order_text {

// Counting words that may follow a quantity; "つ" counts but is no unit.
inline const QString kCountWords =
    QStringLiteral("個|本|袋|箱|缶|点|枚|組|冊|台|瓶|包|束|玉|杯|足|帖|客|膳|脚|"
                   "巻|反|双|セット|パック|ケース|kg|つ");

// Blanks, control characters and the ideographic space.
inline bool isBlank(QChar c)
{
    return c.isSpace() || c.unicode() < 0x20 || c == u'\u3000';
}

// HTML pasted as text: a table cell becomes a tab, a row or <br> a line end,
// other tags go, and the common entities are written out.
QString withoutHtml(const QString &text);

// Which lines quote an earlier mail: "> " lines, and all after a reply's
// or forward's header ("-----Original Message-----", "… wrote:",
// "2025年5月2日(金) 9:00 かんろ茶舗 <info@…>:").
QList<bool> quotedLines(const QStringList &lines);

// The lines of a chat log without each message's time and speaker
// ("20:50<TAB>山口 千夏<TAB>…", "[2026-12-01 19:02] 木村 彩: …", "9:16 野口 亮 …"
// when 野口 亮 speaks more than once); other lines as they are.
QStringList withoutSpeakers(const QStringList &lines);

// A line of prose in its sentences, each sentence in its clauses, each
// clause in its memo entries; a line of one entry as it is.
QStringList memoEntries(const QString &line);

} // namespace order_text
