#pragma once

#include <QString>

// Help messages: the help panel shows a field's message when the field
// receives the focus; the same text is the field's accessible description.
namespace help {
inline const QString Zip = QStringLiteral("お届け先の郵便番号を入力して下さい");
inline const QString Add1 = QStringLiteral("お届け先のおところ①を入力して下さい");
inline const QString Add23 = QStringLiteral("お届け先のおところを入力して下さい");
inline const QString Custo = QStringLiteral("お届け先のおなまえを入力して下さい");
inline const QString Tel = QStringLiteral("お届け先のでんわを入力して下さい");
inline const QString Date = QStringLiteral("日付を入力してください");
inline const QString Slipno = QStringLiteral("伝票番号を入力してください");
inline const QString ItemNo = QStringLiteral("品名1を入力してください");
inline const QString Item = QStringLiteral("品名2を入力してください");
inline const QString Unit = QStringLiteral("単位名を入力してください");
inline const QString Qty = QStringLiteral("数量を入力してください (数量が０の行は印字されません)");
inline const QString Price = QStringLiteral("単価を入力してください");
inline const QString Printed = QStringLiteral("納品書の印字項目などを入力してください");
inline const QString Remark = QStringLiteral("納品書の備考　注意事項などを入力してください");
inline const QString Busuu = QStringLiteral("印刷部数を入力してください");
inline const QString Ime = QStringLiteral("IME(漢字変換)モードを選択してください");
inline const QString Paper = QStringLiteral("印字用紙サイズを選択してください");
inline const QString TxDisp = QStringLiteral("消費税端数 0:切捨て 1:四捨五入 2:切上げ");
inline const QString TaxRegNo =
    QStringLiteral("適格請求書の登録番号を T と13桁の数字で入力してください (空欄は未登録)");
inline const QString TaxRegNoCheckDigit =
    QStringLiteral("注意: 登録番号の13桁が法人番号の検査用数字と合いません。"
                   "個人事業者の番号ならこのままで構いません");
inline const QString Reduced = QStringLiteral("F8: この行の軽減税率対象(※)を切り替えます");
} // namespace help
