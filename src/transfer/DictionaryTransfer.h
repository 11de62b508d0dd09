#pragma once

#include "transfer/PostalDictionary.h"
#include "transfer/Transfer.h"

#include <QString>
#include <QStringList>

// The dictionary transfer: reads a pasted order text (marketplace and shop
// mails, typed fax forms, free messages) for the destination. It takes the
// お届け先 side where the text has an orderer and a destination block, skips
// the shop's own lines, reads labelled and unlabelled lines, checks the postal
// code and splits the address with the postal dictionary, and finds telephone
// numbers with libphonenumber. What it does not recognise it leaves out: a
// field it cannot fill stays empty and is named in the status line.
//
//   【ご注文者】 お名前：佐藤 花子 …
//   【お届け先】 お名前：山田 太郎 様 / 郵便番号：1500001 /
//               住所：東京都渋谷区神宮前1-2-3 青山ハイツ101 / 電話番号：090-1234-5678
// gives 150-0001 | 東京都渋谷区神宮前 | 1-2-3 青山ハイツ101 | 山田 太郎 | 090-1234-5678.

// Names of the destination fields in the status line.
inline constexpr const char16_t *kFieldZip = u"郵便番号";
inline constexpr const char16_t *kFieldAddress = u"住所";
inline constexpr const char16_t *kFieldName = u"お名前";
inline constexpr const char16_t *kFieldTel = u"電話番号";

struct DictionaryTransferResult
{
    // zip, add1, add2, custo1, tel as the window writes them; memoLines stays
    // empty (the memo keeps the pasted text), nothingToTransfer as usual.
    TransferResult fields;
    QStringList missing; // fields left empty, in the order above
    QString warning;     // postal code and town disagree; empty otherwise
    QString status() const;
};

// shopLines: the shop's own name, address and telephone lines (settings tab);
// every order line that repeats one of them is the shop's signature. dict may
// be null (not readable): then codes are taken as written and the address is
// not split.
DictionaryTransferResult runDictionaryTransfer(const QString &memoText,
                                               const QStringList &shopLines,
                                               const PostalDictionary *dict);

// Full-width digits, Latin letters and dashes made ASCII, one character for
// one (positions stay); "ー" after a digit is a dash. Kana and kanji stay.
QString narrowOrderText(QStringView text);

// Japanese telephone numbers found in a text by libphonenumber, each in its
// national form ("03-1234-5678", "090-1234-5678").
QStringList telephoneNumbersIn(const QString &text);

// Prefecture, city and town of a postal code for Edit_Zip: one entry per town
// ("東京都渋谷区神宮前"); empty for an unknown code.
QStringList addressChoicesFor(const PostalDictionary &dict, const QString &zip);

// The one-line warning when the address's town is not among the code's towns
// (empty when they agree or either is unknown).
QString zipAddressMismatch(const PostalDictionary &dict, const QString &zip,
                           const QString &address);
